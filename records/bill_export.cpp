#include "records/bill_export.h"

#include "field_text/field_text.h"
#include "records/bill_pass.h"
#include "records/event_log.h"
#include "records/view_snapshot.h"
#include "records/workbook_pass.h"
#include "support/failure_text.h"
#include "support/own_folder.h"
#include "support/phase_log.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace {

void addBlockTotals(QVector<BillCell>& cells, const Tally& t)
{
    if (!t.extendedLayout) {
        for (int block = 0; block < 4; ++block)
            cells.append({ 21, 3 * block + 2, t.blockPieces[block] });
        for (int block = 0; block < 4; ++block)
            cells.append({ 21, 3 * block + 3, t.blockVolumes[block] });
        return;
    }
    // Tested on its own; the columns of blocks 0 and 2 get the never
    // written, always empty elements 6 and 7.
    cells.append({ 21, 5, t.blockPieces[4] });
    cells.append({ 21, 11, t.blockPieces[5] });
    cells.append({ 21, 6, t.blockVolumes[4] });
    cells.append({ 21, 12, t.blockVolumes[5] });
    cells.append({ 21, 2, t.blockPieces[6] });
    cells.append({ 21, 3, t.blockVolumes[6] });
    cells.append({ 21, 8, t.blockPieces[7] });
    cells.append({ 21, 9, t.blockVolumes[7] });
}

} // namespace

// Every cell, the grid with them, in one go; then the bill's own date and
// number cells.
void writeBill(Worksheet& sheet, const Tally& tally, const BillNumber& number)
{
    QVector<CellText> cells = billCells(tally);
    cells.append({ 2, 1, number.dateCellText() });
    cells.append({ 2, 7, number.numberCellText() });
    sheet.setCellsAsTyped(cells);
}

QString billSheetName()
{
    return QStringLiteral("原木账单");
}

QString billPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("木材账单.xls"));
}

QVector<BillCell> billCells(const Tally& t)
{
    const auto& buyer = t.captions[Tally::Buyer];
    const auto& truck = t.captions[Tally::Truck];
    const auto& supplier = t.captions[Tally::Supplier];
    const auto& contact = t.captions[Tally::Contact];
    QVector<BillCell> cells = { { 3, 3, buyer.value }, { 27, 4, supplier.value },
        { 3, 9, truck.value }, { 5, 11, t.lengths[3] }, { 4, 3, t.species }, { 4, 9, t.scaler },
        { 27, 10, contact.value }, { 5, 2, t.lengths[0] }, { 5, 5, t.lengths[1] },
        { 5, 8, t.lengths[2] } };
    for (int column = 1; column <= 12; ++column)
        for (int row = 7; row <= 20; ++row)
            cells.append({ row, column, t.grid[row - 7][column - 1] });
    addBlockTotals(cells, t);
    for (int group = 0; group < 4; ++group)
        cells.append({ 23 + group, 4, t.groupPieces[group] });
    for (int group = 0; group < 4; ++group)
        cells.append({ 23 + group, 6, t.groupVolumes[group] });
    for (int group = 0; group < 3; ++group)
        cells.append({ 23 + group, 8, t.unitPrices[group] });
    for (int group = 0; group < 4; ++group)
        cells.append({ 23 + group, 10, t.groupAmounts[group] });
    cells.append({ 27, 8, contact.caption });
    cells.append({ 3, 8, truck.caption });
    cells.append({ 3, 1, buyer.caption });
    cells.append({ 27, 1, supplier.caption });
    return cells;
}

BillExport::BillExport(Spreadsheet& app, QString path, CommandPrompts& prompts)
    : m_app(app)
    , m_path(std::move(path))
    , m_prompts(prompts)
    , m_receiver(std::make_unique<QObject>())
{
}

// A quit waits for the copies: they are the bill's only record beside the
// live workbook, which the next bill overwrites.
BillExport::~BillExport()
{
    waitForArchive();
}

void BillExport::waitForArchive()
{
    if (m_archiving.joinable())
        m_archiving.join();
}

namespace {

// An empty sheet, or counts with no length, add up to no volume; the
// overflow text is a volume too big to show, not none.
bool hasVolume(const Tally& tally)
{
    const QString total = tally.groupVolumes[3].trimmed();
    return total == overflowText || leadingNumber(total) != 0;
}

// Where the copy and its PDF go: a folder of our own, names the office may
// write (it would write through a link). A failure leaves the saved bill as
// it is.
std::optional<Failure> checkArchive(const QString& archive, const BillNumber& number)
{
    try {
        refuseLinkedEntry(archive);
    } catch (const Failure& error) {
        return error;
    }
    if (!makeOwnFolder(archive) || !QFileInfo(archive).isDir())
        return Failure(FailureCause::FolderNotWritable, archivedBillPath(archive, number, ".xls"));
    for (const char* suffix : { ".xls", ".pdf" })
        if (!archiveNameWritable(archivedBillPath(archive, number, suffix)))
            return Failure(FailureCause::NotAFile, archivedBillPath(archive, number, suffix));
    return std::nullopt;
}

std::optional<Failure> archiveCopy(Workbook& book, const QString& path, Workbook::CopyFormat format)
{
    try {
        book.saveCopy(path, format);
    } catch (const Failure& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

bool BillExport::press(const std::function<Tally()>& readTally)
{
    return press(readTally());
}

bool BillExport::press(const Tally& tally)
{
    // Asked before a number is taken: on 否 the day's numbers stay as they are.
    if (m_checks && !m_checks->acceptable(tally, TallyUse::Bill))
        return false;
    if (!hasVolume(tally)
        && !m_prompts.askYesNo(QStringLiteral("检尺单上没有材积，仍要打印账单吗？")))
        return false;
    if (m_checks && !m_checks->confirmed(tally, TallyUse::Bill))
        return false;
    return write(tally, std::nullopt);
}

bool BillExport::reprint(const Tally& tally, const BillNumber& number)
{
    return write(tally, number);
}

void BillExport::setToday(std::function<QDate()> today)
{
    m_today = std::move(today);
}

void BillExport::runPass(Spreadsheet& app, const QString& path, const Tally& tally,
    const std::function<BillNumber()>& number, BillPass& press, const BillStages& stages)
{
    const QString archive = billArchiveFolder(QFileInfo(path).absolutePath());
    const auto body = [&](WorkbookPass& pass) {
        ++press.passes;
        // Taken again on a retry: the failed pass stored nothing.
        press.number = number();
        auto book = app.open(path);
        Worksheet& sheet = book->sheetNamed(billSheetName());
        writeBill(sheet, tally, press.number);
        book->save();
        pass.markSaved();
        press.reportSaved();
        {
            // The PDF first: the clerk sees it while its copy is made.
            PhaseTimer phase("archive copies");
            press.archiveFailure = checkArchive(archive, press.number);
            if (!press.archiveFailure)
                press.archiveFailure = archiveCopy(*book,
                    archivedBillPath(archive, press.number, ".pdf"), Workbook::CopyFormat::Pdf);
            if (!press.archiveFailure) {
                press.pdfMade = true;
                if (stages.pdfMade)
                    stages.pdfMade();
                press.archiveFailure = archiveCopy(*book,
                    archivedBillPath(archive, press.number, ".xls"), Workbook::CopyFormat::Excel97);
            }
        }
        if (press.archiveFailure) {
            logPass(QStringLiteral("bill archive %1").arg(press.number.text()), path, 0,
                &*press.archiveFailure);
            press.snapshot = viewSnapshotPath(path);
            book->saveCopy(press.snapshot, Workbook::CopyFormat::Excel97);
        }
        // Before the office closes the bill: that is no part of what the clerk waits for.
        if (stages.copiesMade)
            stages.copiesMade();
        book->close();
    };
    press.reportEnded(runWorkbookPass(QStringLiteral("bill export"), path, body));
}

bool BillExport::write(const Tally& tally, const std::optional<BillNumber>& reprinted)
{
    if (++m_pressCount == 1)
        m_prompts.showMessage(QStringLiteral("每次导入数据前请先关闭*木材账单*"));
    // The last press's copies first: the next number is read off the archive.
    waitForArchive();
    const QString archive = billArchiveFolder(QFileInfo(m_path).absolutePath());
    const QDate today = m_today();
    const std::function<BillNumber()> number = [reprinted, archive, today] {
        return reprinted ? *reprinted : nextBillNumber(archive, today);
    };
    auto press = std::make_shared<BillPass>();
    bool saved = false;
    if (m_background) {
        QObject* receiver = m_receiver.get();
        m_archiving = std::thread([this, press, tally, number, receiver] {
            bool reported = false;
            BillStages stages;
            stages.pdfMade = [&] {
                QMetaObject::invokeMethod(
                    receiver, [this, press] { showArchived(*press); }, Qt::QueuedConnection);
            };
            stages.copiesMade = [&] {
                reported = true;
                QMetaObject::invokeMethod(
                    receiver, [this, press] { reportArchive(*press); }, Qt::QueuedConnection);
            };
            runPass(m_app, m_path, tally, number, *press, stages);
            // The view's snapshot may have failed too: the clerk still hears of it.
            if (press->outcome.saved && !reported)
                stages.copiesMade();
        });
        saved = press->waitUntilSavedOrEnded();
    } else {
        runPass(m_app, m_path, tally, number, *press, {});
        saved = press->outcome.saved;
    }
    // Counted like presses: each pass after the first of the press.
    m_pressCount += qint16(std::max(0, press->passes - 1));
    // Once saved, the bill is there: writing it again would only give it a
    // second number.
    if (!saved) {
        waitForArchive();
        if (press->outcome.failure)
            m_prompts.showMessage(
                QStringLiteral("账单没有导出：%1").arg(failureMessage(*press->outcome.failure)));
        return false;
    }
    m_lastNumber = press->number;
    if (!m_background) {
        if (press->pdfMade)
            showArchived(*press);
        reportArchive(*press);
    }
    return true;
}

void BillExport::showArchived(BillPass& press)
{
    const QString archive = billArchiveFolder(QFileInfo(m_path).absolutePath());
    press.shown = m_pdfViewer
        && m_pdfViewer(archivedBillPath(archive, press.number, ".pdf"),
            archivedBillPath(archive, press.number, ".xls"));
}

void BillExport::reportArchive(const BillPass& press)
{
    const QString archive = billArchiveFolder(QFileInfo(m_path).absolutePath());
    if (press.archiveFailure)
        m_prompts.showMessage(
            QStringLiteral("账单已保存到“%1”，但没有存入账单文件夹“%2”：%3")
                .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(archive),
                    failureMessage(*press.archiveFailure)));
    if (!press.shown)
        showBill(press.archiveFailure ? press.snapshot
                                      : archivedBillPath(archive, press.number, ".xls"));
}

// The user sees a copy with a name of its own, never the live bill: an
// earlier view still open can then never stand for this one.
void BillExport::showBill(const QString& copy)
{
    try {
        m_app.show(copy);
    } catch (const Failure& error) {
        logPass(QStringLiteral("bill view"), copy, 0, &error);
        m_prompts.showMessage(QStringLiteral("账单已保存到“%1”，但无法打开它来显示：%2")
                                  .arg(QDir::toNativeSeparators(m_path), failureMessage(error)));
    }
}
