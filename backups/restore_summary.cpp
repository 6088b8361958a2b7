#include "backups/restore_summary.h"

#include "backups/backup_plan.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <array>

namespace {

enum Kind {
    Ledger,
    BillBook,
    History,
    Prices,
    Settings,
    Bills,
    LedgerArchives,
    Journal,
    Log,
    Other,
    Kinds
};

const QString documents = QStringLiteral("文档/");
const QString archive = QStringLiteral("文档/账单/");
const QString ledgerArchive = QStringLiteral("文档/台账存档/");

Kind kindOf(const QString& path)
{
    static const QRegularExpression priceFile(QStringLiteral("^1\\(\\d+\\)\\.txt$"));
    const QString name = QFileInfo(path).fileName();
    if (path == documents + QStringLiteral("木材出入库台账.xls"))
        return Ledger;
    if (path == documents + QStringLiteral("木材账单.xls"))
        return BillBook;
    if (path == historyPath() || path == QStringLiteral("数据/history-waiting.json"))
        return History;
    if (path.startsWith(archive))
        return Bills;
    if (path.startsWith(ledgerArchive))
        return LedgerArchives;
    if (path.startsWith(QStringLiteral("单价/"))
        || (path.startsWith(QStringLiteral("设置/")) && priceFile.match(name).hasMatch()))
        return Prices;
    if (path.startsWith(QStringLiteral("设置/")))
        return Settings;
    if (path == QStringLiteral("数据/tally-journal.json"))
        return Journal;
    if (path.startsWith(QStringLiteral("数据/quorvane.log")))
        return Log;
    return Other;
}

QString historyText(qint64 loads)
{
    return loads < 0 ? QStringLiteral("历史记录")
                     : QStringLiteral("历史记录（%1 车）").arg(groupedNumber(loads));
}

// The one file restored, named so the clerk knows it.
QString oneFile(const QString& path, qint64 loads)
{
    const QString name = QFileInfo(path).fileName();
    switch (kindOf(path)) {
    case Ledger:
        return QStringLiteral("库存账本（%1）").arg(name);
    case BillBook:
        return QStringLiteral("木材账单（%1）").arg(name);
    case History:
        return path == historyPath() ? historyText(loads)
                                     : QStringLiteral("历史记录中等待保存的车");
    case Bills:
        return QStringLiteral("账单 %1").arg(path.mid(archive.size()));
    case LedgerArchives:
        return QStringLiteral("存档的台账（%1）").arg(name);
    case Prices:
        return QStringLiteral("单价 %1").arg(name);
    case Settings:
        return QStringLiteral("设置 %1").arg(name);
    case Journal:
        return QStringLiteral("未完成的检尺单");
    case Log:
        return QStringLiteral("日志 %1").arg(name);
    default:
        return path.mid(path.indexOf(QLatin1Char('/')) + 1);
    }
}

// A bill is its workbook and its PDF: counted once.
QString billName(const QString& path)
{
    const QString inside = path.mid(archive.size());
    const int dot = inside.lastIndexOf(QLatin1Char('.'));
    return dot > inside.lastIndexOf(QLatin1Char('/')) ? inside.left(dot) : inside;
}

} // namespace

QString groupedNumber(qint64 number)
{
    QString digits = QString::number(number < 0 ? -number : number);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return number < 0 ? QLatin1Char('-') + digits : digits;
}

QString restoredSummary(const QStringList& paths, qint64 loads)
{
    if (paths.size() == 1)
        return oneFile(paths.first(), loads);
    std::array<bool, Kinds> present {};
    QSet<QString> bills;
    int others = 0;
    int ledgers = 0;
    bool historyStore = false;
    for (const QString& path : paths) {
        const Kind kind = kindOf(path);
        present[kind] = true;
        if (kind == Bills)
            bills.insert(billName(path));
        others += kind == Other;
        ledgers += kind == LedgerArchives;
        historyStore = historyStore || path == historyPath();
    }
    QStringList parts;
    const std::array<QString, Kinds> texts { QStringLiteral("库存账本"), QStringLiteral("木材账单"),
        historyStore ? historyText(loads) : QStringLiteral("历史记录中等待保存的车"),
        QStringLiteral("单价"), QStringLiteral("设置"),
        QStringLiteral("账单 %1 份").arg(groupedNumber(bills.size())),
        QStringLiteral("存档的台账 %1 本").arg(groupedNumber(ledgers)),
        QStringLiteral("未完成的检尺单"), QStringLiteral("日志"),
        QStringLiteral("其他文件 %1 个").arg(groupedNumber(others)) };
    for (int kind = 0; kind < Kinds; ++kind)
        if (present[kind])
            parts.append(texts[kind]);
    return parts.join(QStringLiteral("、"));
}
