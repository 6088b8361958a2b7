#include "records/bill_archive.h"

#include "support/regular_file.h"

#include <QDir>
#include <QRegularExpression>

QString BillNumber::text() const
{
    return QStringLiteral("%1-%2")
        .arg(date.toString(QStringLiteral("yyyy-MM-dd")))
        .arg(serial, 3, 10, QLatin1Char('0'));
}

std::optional<BillNumber> BillNumber::fromText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})-(\\d{3,})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    BillNumber number { QDate::fromString(match.captured(1), Qt::ISODate),
        match.captured(2).toInt() };
    if (!number.date.isValid() || number.serial < 1)
        return std::nullopt;
    return number;
}

QString BillNumber::dateCellText() const
{
    return QStringLiteral("日期：%1").arg(date.toString(QStringLiteral("yyyy年MM月dd日")));
}

QString BillNumber::numberCellText() const
{
    return QStringLiteral("编号：%1").arg(text());
}

QString billArchiveFolder(const QString& workbookFolder)
{
    return QDir(workbookFolder).filePath(QStringLiteral("账单"));
}

BillNumber nextBillNumber(const QString& archiveFolder, const QDate& day)
{
    const QString prefix = day.toString(QStringLiteral("yyyy-MM-dd"));
    const QRegularExpression name(
        QStringLiteral("^%1-(\\d{3,})\\.(xls|pdf)$").arg(QRegularExpression::escape(prefix)));
    // Every entry counts, whatever it is: a dangling link too (System).
    const QDir::Filters everyEntry
        = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    int highest = 0;
    for (const QString& file :
        QDir(archiveFolder).entryList({ prefix + QStringLiteral("-*") }, everyEntry)) {
        const auto match = name.match(file);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    BillNumber number { day, highest + 1 };
    while (entryAt(archivedBillPath(archiveFolder, number, ".xls")) != EntryKind::None
        || entryAt(archivedBillPath(archiveFolder, number, ".pdf")) != EntryKind::None)
        ++number.serial;
    return number;
}

bool archiveNameWritable(const QString& path)
{
    return entryAt(path) != EntryKind::Other;
}

QString archivedBillPath(const QString& archiveFolder, const BillNumber& number, const char* suffix)
{
    return QDir(archiveFolder).filePath(number.text() + QLatin1String(suffix));
}
