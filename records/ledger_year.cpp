#include "records/ledger_year.h"

#include "records/cell_values.h"
#include "records/event_log.h"
#include "records/stock_ledger.h"
#include "records/workbook_pass.h"
#include "support/durable_copy.h"
#include "support/durable_file.h"
#include "support/failure_text.h"
#include "support/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr int firstPostingRow = 6;
constexpr int lastSheetRow = 65536;
const QString stockSheet = QStringLiteral("库存");

QString ledgerStem(const QString& ledgerPath)
{
    return QFileInfo(ledgerPath).completeBaseName();
}

// The new ledger is made under this name beside the live one; it takes the
// live name only when complete.
QString newLedgerPath(const QString& ledgerPath)
{
    const QFileInfo live(ledgerPath);
    return live.dir().filePath(QStringLiteral(".%1.new").arg(live.fileName()));
}

// Written before the archive is made, removed when the step is done: what a
// start after a power cut needs to settle it.
QString journalPath(const QString& ledgerPath)
{
    const QFileInfo live(ledgerPath);
    return live.dir().filePath(QStringLiteral(".%1.year-step").arg(live.fileName()));
}

// The archive's name: "<ledger> 2026.xls", a full ledger's "<ledger>
// 2027-N.xls" with the first N free; a name taken gets " (2)", " (3)", ...
QString freeArchivePath(const QString& ledgerPath, LedgerYearStep::Kind kind, int year)
{
    const QDir folder(ledgerArchiveFolder(ledgerPath));
    const QString stem = ledgerStem(ledgerPath);
    const auto taken
        = [&](const QString& name) { return QFileInfo::exists(folder.filePath(name)); };
    if (kind == LedgerYearStep::Kind::FullLedger) {
        for (int n = 1;; ++n) {
            const QString name = QStringLiteral("%1 %2-%3.xls").arg(stem).arg(year).arg(n);
            if (!taken(name))
                return folder.filePath(name);
        }
    }
    QString name = QStringLiteral("%1 %2.xls").arg(stem).arg(year);
    for (int copy = 2; taken(name); ++copy)
        name = QStringLiteral("%1 %2 (%3).xls").arg(stem).arg(year).arg(copy);
    return folder.filePath(name);
}

FailureCause workbookFailureOf(FailureCause failure)
{
    switch (failure) {
    case FailureCause::DiskFull:
        return FailureCause::DiskFull;
    case FailureCause::NotWritable:
    case FailureCause::FolderMissing:
        return FailureCause::FolderNotWritable;
    case FailureCause::NotAFile:
        return FailureCause::NotAFile;
    default:
        return FailureCause::Other;
    }
}

Failure writeError(const Done& result)
{
    return Failure(workbookFailureOf(result.cause()), result.path(), result.logText());
}

LedgerColumns readColumns(Worksheet& sheet)
{
    LedgerColumns columns;
    const int bottom = sheet.lastRowInUse(lastSheetRow);
    if (bottom < firstPostingRow)
        return columns;
    columns.species = sheet.columnValueTexts(2, firstPostingRow, bottom);
    const int volumeColumns[] = { 3, 6, 9 };
    for (int group = 0; group < 3; ++group)
        columns.volumes[group]
            = sheet.columnValueTexts(volumeColumns[group], firstPostingRow, bottom);
    return columns;
}

struct OldLedger {
    QStringList speciesList; // the eight cells of the stock sheet
    QVector<CarriedStock> carried;
};

// The carried rows on 入库 from row 6, dated where postings are; the
// species cell says where the row comes from.
void writeCarriedRows(
    Workbook& book, const QVector<CarriedStock>& carried, const QDate& day, const QString& note)
{
    Worksheet& sheet = postingSheet(book, StockPosting::Sheet::StockIn);
    const bool dated = headerNamesDate(sheet);
    QVector<CellText> cells;
    for (int k = 0; k < carried.size(); ++k) {
        const int row = firstPostingRow + k;
        cells.append({ row, 2, carried[k].species });
        cells.append({ row, 3, carried[k].volumes[0] });
        cells.append({ row, 6, carried[k].volumes[1] });
        cells.append({ row, 9, carried[k].volumes[2] });
    }
    sheet.setCellsAsTyped(cells);
    for (int k = 0; k < carried.size(); ++k) {
        if (dated)
            sheet.setDate(firstPostingRow + k, 1, day);
        sheet.setComment(firstPostingRow + k, 2, note);
    }
}

// The whole of a file the step reads back; nothing when it is no regular
// file or cannot be read.
std::optional<QByteArray> fileBytes(const QString& path)
{
    RegularFileRead read = readRegularFile(path, qint64(1) << 30);
    if (read.outcome != RegularFileRead::Read)
        return std::nullopt;
    return std::move(read.bytes);
}

void removeQuietly(const QString& path)
{
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        removeFileDurably(path);
    }
}

} // namespace

QString ledgerArchiveFolder(const QString& ledgerPath)
{
    return QFileInfo(ledgerPath).dir().filePath(QStringLiteral("台账存档"));
}

QVector<ArchivedLedger> archivedLedgers(const QString& ledgerPath)
{
    const QString stem = ledgerStem(ledgerPath);
    // "<ledger> 2026.xls", "<ledger> 2027-2.xls", "<ledger> 2026 (2).xls"
    const QRegularExpression pattern(
        QStringLiteral("^%1 ((\\d{4})(?:-(\\d+))?(?: \\((\\d+)\\))?)\\.xls$")
            .arg(QRegularExpression::escape(stem)));
    struct Found {
        ArchivedLedger ledger;
        int year, part, copy;
    };
    QVector<Found> found;
    const QDir folder(ledgerArchiveFolder(ledgerPath));
    for (const QString& name : folder.entryList({ QStringLiteral("*.xls") }, QDir::Files)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        // A year's own archive holds its end, so it is newer than the parts
        // its full ledgers left.
        const int part = match.captured(3).isEmpty() ? 1000000 : match.captured(3).toInt();
        found.append({ { folder.filePath(name), match.captured(1) }, match.captured(2).toInt(),
            part, match.captured(4).isEmpty() ? 1 : match.captured(4).toInt() });
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return std::tie(a.year, a.part, a.copy) > std::tie(b.year, b.part, b.copy);
    });
    QVector<ArchivedLedger> ledgers;
    for (const Found& f : found)
        ledgers.append(f.ledger);
    return ledgers;
}

QByteArray ledgerTemplate()
{
    QFile file(QStringLiteral(":/quorvane/ledger-template.xls"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

LedgerYearStep::LedgerYearStep(Spreadsheet& app, QString ledgerPath)
    : m_app(app)
    , m_path(std::move(ledgerPath))
{
}

void LedgerYearStep::pass(const char* point) const
{
    if (passing)
        passing(QString::fromLatin1(point));
}

LedgerYearStep::Outcome LedgerYearStep::run(Kind kind, int year, const QDate& today)
{
    settleLedgerYearStep(m_path);
    const QString temp = newLedgerPath(m_path);
    const QString journal = journalPath(m_path);
    QString archive;
    Outcome outcome;
    const auto failed = [&](const Failure& error) {
        logEvent(
            QStringLiteral("ledger year step failed: %1 %2").arg(error.path(), error.detail()));
        removeQuietly(temp);
        removeQuietly(archive);
        removeQuietly(journal);
        outcome.failure = QStringLiteral("新台账没有建成，旧台账照常使用，没有改动：%1")
                              .arg(failureMessage(error));
        return outcome;
    };

    OldLedger old;
    const PassOutcome read = runWorkbookPass(
        QStringLiteral("ledger year read"), m_path, [&](WorkbookPass&) {
            auto book = m_app.open(m_path);
            old.speciesList.clear();
            if (book->sheetNames().contains(stockSheet)) {
                Worksheet& stock = book->sheetNamed(stockSheet);
                for (int k = 0; k < 8; ++k)
                    old.speciesList << stock.valueText(5 + k, 11);
            }
            const LedgerColumns in = readColumns(postingSheet(*book, StockPosting::Sheet::StockIn));
            const LedgerColumns out
                = readColumns(postingSheet(*book, StockPosting::Sheet::StockOut));
            book->close();
            const auto carried = carriedStock(in, out, old.speciesList);
            if (!carried)
                throw Failure(FailureCause::Other, m_path, QStringLiteral("stock beyond range"));
            old.carried = *carried;
        });
    if (read.failure)
        return failed(*read.failure);

    const QByteArray shipped = ledgerTemplate();
    if (shipped.isEmpty())
        return failed(
            Failure(FailureCause::WorkbookMissing, m_path, QStringLiteral("no template")));
    const QDate day = kind == Kind::NewYear ? QDate(today.year(), 1, 1) : today;
    const QString note
        = kind == Kind::NewYear ? QStringLiteral("上年结转") : QStringLiteral("前账结转");
    const PassOutcome built
        = runWorkbookPass(QStringLiteral("ledger year build"), temp, [&](WorkbookPass&) {
              const Done copied = writeFileDurably(temp, shipped);
              if (!copied.ok())
                  throw writeError(copied);
              auto book = m_app.open(temp);
              if (!old.speciesList.isEmpty()) {
                  Worksheet& stock = book->sheetNamed(stockSheet);
                  for (int k = 0; k < old.speciesList.size(); ++k)
                      stock.setText(5 + k, 11, old.speciesList[k]);
              }
              writeCarriedRows(*book, old.carried, day, note);
              pass("building");
              book->save();
              book->close();
          });
    if (built.failure)
        return failed(*built.failure);
    if (!syncFileAt(temp))
        return failed(Failure(FailureCause::Other, temp, QStringLiteral("sync")));
    pass("built");

    const QString archiveFolder = ledgerArchiveFolder(m_path);
    if (!makePrivateFolder(archiveFolder))
        return failed(Failure(FailureCause::FolderNotWritable, archiveFolder + "/x"));
    const QString freeName
        = freeArchivePath(m_path, kind, kind == Kind::NewYear ? year : today.year());
    const Done noted = writeFileDurably(journal,
        QStringLiteral("%1\n%2\n")
            .arg(kind == Kind::NewYear ? today.year() : 0)
            .arg(QFileInfo(freeName).fileName())
            .toUtf8());
    if (!noted.ok())
        return failed(writeError(noted));
    const std::optional<QByteArray> bytes = fileBytes(m_path);
    if (!bytes)
        return failed(Failure(FailureCause::WorkbookUnreadable, m_path));
    const Done archived = createFileDurably(freeName, *bytes);
    if (!archived.ok())
        return failed(writeError(archived));
    archive = freeName;
    QFile(archive).setPermissions(QFileDevice::ReadOwner);
    pass("archived");

    if (!renameDurably(temp, m_path)) {
        archive.clear(); // a rename that failed half way is settled below
        settleLedgerYearStep(m_path);
        return failed(Failure(FailureCause::FolderNotWritable, m_path, QStringLiteral("rename")));
    }
    pass("renamed");
    removeFileDurably(journal);
    logEvent(QStringLiteral("ledger archived as %1, %2 species carried")
                 .arg(archive)
                 .arg(old.carried.size()));
    outcome.done = true;
    outcome.archive = archive;
    for (const CarriedStock& row : old.carried)
        if (row.negative)
            outcome.negative << QStringLiteral("%1（%2）")
                                    .arg(row.species,
                                        QStringList(row.volumes.begin(), row.volumes.end())
                                            .join(QStringLiteral("、")));
    return outcome;
}

int settleLedgerYearStep(const QString& ledgerPath)
{
    const QString temp = newLedgerPath(ledgerPath);
    const QString journal = journalPath(ledgerPath);
    // Leftovers of durable writes cut short: the template's copy, the note.
    removeLeftoverWrites(temp);
    removeLeftoverWrites(journal);
    // Leftovers of an archive copy cut short.
    const QDir archives(ledgerArchiveFolder(ledgerPath));
    for (const QString& name :
        archives.entryList({ QStringLiteral(".quorvane-new-*") }, QDir::Files | QDir::Hidden))
        removeFileDurably(archives.filePath(name));
    // An office that died holding the new ledger open left its lock: nobody
    // else ever opens that file.
    const QFileInfo newLedger(temp);
    removeQuietly(newLedger.dir().filePath(QStringLiteral(".~lock.%1#").arg(newLedger.fileName())));
    if (!QFileInfo::exists(journal)) {
        // Cut while the new ledger was being built: it goes.
        if (QFileInfo::exists(temp))
            removeFileDurably(temp);
        return 0;
    }
    const QStringList lines
        = QString::fromUtf8(fileBytes(journal).value_or(QByteArray())).split(u'\n');
    const int year = lines.value(0).toInt();
    const QString archive
        = lines.value(1).isEmpty() ? QString() : archives.filePath(lines.value(1));
    int finished = 0;
    if (QFileInfo::exists(temp)) {
        // The new ledger never took the live name: the old one stays, and
        // its copy goes only when it is one.
        if (!archive.isEmpty() && fileBytes(archive) == fileBytes(ledgerPath))
            removeQuietly(archive);
        removeFileDurably(temp);
        logEvent(QStringLiteral("ledger year step cut short: undone"));
    } else {
        if (!archive.isEmpty())
            QFile(archive).setPermissions(QFileDevice::ReadOwner);
        finished = year;
        logEvent(QStringLiteral("ledger year step cut short: finished"));
    }
    removeFileDurably(journal);
    return finished;
}
