#pragma once

// Which backups stay: every one of the last 7 days, the newest of each of
// the last 4 calendar weeks and the newest of each of the last 12 calendar
// months. Weeks and months are calendar ones so a backup kept for its week
// stays kept as days pass (buckets by age would let a newer one push it
// out every day).

#include <QDateTime>
#include <QList>

// The times of the backups to keep, out of `times`, at `now`. The newest
// is always kept.
QList<QDateTime> backupsToKeep(QList<QDateTime> times, const QDateTime& now);
