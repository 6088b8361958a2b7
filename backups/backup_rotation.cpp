#include "backups/backup_rotation.h"

#include <QSet>
#include <algorithm>

namespace {

QDate mondayOf(const QDate& day)
{
    return day.addDays(1 - day.dayOfWeek());
}

int monthNumber(const QDate& day)
{
    return day.year() * 12 + day.month() - 1;
}

} // namespace

QList<QDateTime> backupsToKeep(QList<QDateTime> times, const QDateTime& now)
{
    std::sort(times.begin(), times.end(), std::greater<QDateTime>());
    const QDate today = now.date();
    const QDate oldestWeek = mondayOf(today).addDays(-7 * 3);
    const int oldestMonth = monthNumber(today) - 11;
    QSet<QDate> weeksTaken;
    QSet<int> monthsTaken;
    QList<QDateTime> kept;
    for (const QDateTime& time : times) {
        const QDate day = time.date();
        bool keep = kept.isEmpty() || time.secsTo(now) < 7 * 24 * 3600;
        const QDate week = mondayOf(day);
        if (week >= oldestWeek && !weeksTaken.contains(week)) {
            weeksTaken.insert(week);
            keep = true;
        }
        const int month = monthNumber(day);
        if (month >= oldestMonth && !monthsTaken.contains(month)) {
            monthsTaken.insert(month);
            keep = true;
        }
        if (keep)
            kept.append(time);
    }
    return kept;
}
