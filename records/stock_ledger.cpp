#include "records/stock_ledger.h"

#include "field_text/field_text.h"
#include "field_text/fixed_point.h"
#include "records/cell_values.h"
#include "records/view_snapshot.h"
#include "records/workbook_pass.h"
#include "support/failure_text.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace {

const QString stockSheet = QStringLiteral("库存");
const QString detailSheet = QStringLiteral("入库明细");
constexpr int firstPostingRow = 6;
constexpr int lastSheetRow = 65536; // the Excel 97 limit

// Column 3 gets the number the text starts with, so every posted row shows
// text there and the next free row stays findable.
void writeLeadingNumber(Worksheet& sheet, int row, int column, const QString& text)
{
    const double value = leadingNumber(text);
    if (std::isfinite(value))
        sheet.setNumber(row, column, value);
    else
        sheet.setText(row, column, text);
}

} // namespace

// Column 1 is dated only where the sheet's own header says it is a date
// column: a ledger of the yard's own may keep something else there.
bool headerNamesDate(Worksheet& sheet)
{
    for (int row = 1; row < firstPostingRow; ++row)
        if (sheet.shownText(row, 1) == QStringLiteral("日期"))
            return true;
    return false;
}

// By name where the ledger names its posting sheets, so a reordered ledger
// still gets stock in on 入库; by position only in a ledger that names
// neither.
Worksheet& postingSheet(Workbook& book, StockPosting::Sheet which)
{
    const QString stockIn = QStringLiteral("入库");
    const QString stockOut = QStringLiteral("出库");
    const QStringList names = book.sheetNames();
    if (names.contains(stockIn) || names.contains(stockOut))
        return book.sheetNamed(which == StockPosting::Sheet::StockIn ? stockIn : stockOut);
    return book.sheetAt(int(which));
}

QString ledgerPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("木材出入库台账.xls"));
}

QStringList readSpeciesList(Spreadsheet& app, const QString& path)
{
    auto book = app.open(path);
    Worksheet& sheet = book->sheetNamed(stockSheet);
    QStringList species;
    for (int k = 0; k < 8; ++k)
        species << sheet.valueText(5 + k, 11);
    // Only read: nothing to save.
    book->close();
    return species;
}

QStringList loadSpeciesList(Spreadsheet& app, const QString& path)
{
    QStringList species;
    const PassOutcome outcome = runWorkbookPass(QStringLiteral("species list"), path,
        [&](WorkbookPass&) { species = readSpeciesList(app, path); });
    if (outcome.failure)
        throw *outcome.failure;
    return species;
}

StockPosting::StockPosting(Spreadsheet& app, QString path, Sheet sheet, CommandPrompts& prompts)
    : m_app(app)
    , m_path(std::move(path))
    , m_sheet(sheet)
    , m_prompts(prompts)
{
}

int StockPosting::press(
    const std::function<Tally()>& readTally, const std::function<PostingContext()>& readContext)
{
    return press(readTally(), readContext ? readContext() : PostingContext());
}

namespace {

std::array<QString, 3> groupVolumes(const Tally& tally)
{
    return { tally.groupVolumes[0], tally.groupVolumes[1], tally.groupVolumes[2] };
}

// The question when the stock sheet shows less of the species than the load
// takes out; empty when it shows enough, or no number for it at all (a
// ledger of the yard's own may lack the sheet or the species).
QString stockShortage(Workbook& book, const Tally& tally)
{
    if (!book.sheetNames().contains(stockSheet))
        return {};
    Worksheet& sheet = book.sheetNamed(stockSheet);
    const QString species = tally.species.trimmed();
    for (int row = 5; row <= 12; ++row) {
        if (sheet.valueText(row, 11).trimmed() != species)
            continue;
        // Volumes have four decimals: both are compared as they print.
        const std::optional<TenThousandths> stock
            = TenThousandths::parseFigure(sheet.valueText(row, 14));
        const std::optional<TenThousandths> out
            = TenThousandths::parseFigure(asciiNumberForms(tally.groupVolumes[3]));
        if (!stock || !out || !(*stock < *out))
            return {};
        return QStringLiteral("树种“%1”库存只有 %2 立方米，这车出库 %3 立方米。仍要出库吗？")
            .arg(species, stock->text(), out->text());
    }
    return {};
}

} // namespace

int StockPosting::press(const Tally& tally, const PostingContext& context)
{
    m_stockConfirmed = false;
    if (++m_pressCount == 1)
        m_prompts.showMessage(QStringLiteral("每次入库前请先关闭*木材出入库台账*！！"));

    const TallyUse use = m_sheet == Sheet::StockIn ? TallyUse::StockIn : TallyUse::StockOut;
    if (m_checks && !m_checks->acceptable(tally, use))
        return 0;
    if (tally.species.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("没有树种。"));
        return 0;
    }
    if (!wholeNumber(tally.groupVolumes[3])) {
        m_prompts.showMessage(QStringLiteral("请输入材积。"));
        m_prompts.focusTotalVolume();
        return 0;
    }
    if ((m_checks && !m_checks->confirmed(tally, use)) || !confirmedByTheClerk(tally, context))
        return 0;

    const QDate today = m_today();
    if (m_years.lastYear && !stepIntoNewYear(today))
        return 0;

    const QString what
        = m_sheet == Sheet::StockIn ? QStringLiteral("stock in") : QStringLiteral("stock out");
    int passes = 0;
    bool newLedger = false;
    for (;;) {
        int row = 0;
        QString shortage;
        const PassOutcome outcome = runWorkbookPass(what, m_path, [&](WorkbookPass& pass) {
            // Counted like presses: each pass after the first of the press.
            if (passes++ > 0)
                ++m_pressCount;
            row = 0;
            shortage.clear();
            post(tally, today, row, pass, shortage);
        });
        // Once saved, the posting is done whatever failed after.
        if (outcome.failure && !outcome.saved) {
            m_prompts.showMessage(failureMessage(*outcome.failure));
            return 0;
        }
        // Asked with the ledger closed: the clerk may take longer than a
        // pass may last. Then a pass of its own posts, without reading the
        // stock again.
        if (!shortage.isEmpty()) {
            if (!m_prompts.askYesNo(shortage))
                return 0;
            m_stockConfirmed = true;
            continue;
        }
        // A full sheet is no failure of the office: trying again would not
        // help. With the years kept, a new ledger takes the posting.
        if (row == 0 && (!m_years.lastYear || newLedger)) {
            m_prompts.showMessage(QStringLiteral("工作表已满"));
            return 0;
        }
        if (row == 0) {
            const LedgerYearStep::Outcome step
                = runYearStep(LedgerYearStep::Kind::FullLedger, today.year(), today);
            if (!step.done) {
                m_prompts.showMessage(QStringLiteral("台账的工作表已满。%1").arg(step.failure));
                return 0;
            }
            m_prompts.showMessage(
                QStringLiteral("台账的工作表已满，已存档为文件夹“台账存档”中的“%1”；各树种的库存已"
                               "结转到新台账，这车记入新台账。")
                    .arg(QFileInfo(step.archive).fileName()));
            newLedger = true;
            continue;
        }
        m_lastPosted = PostedLoad { tally.species, groupVolumes(tally), context.tallyEdits };
        m_prompts.showMessage(QStringLiteral("保存成功"));
        return row;
    }
}

bool StockPosting::stepIntoNewYear(const QDate& today)
{
    if (const int finished = settleLedgerYearStep(m_path))
        m_years.rememberYear(finished);
    const int last = m_years.lastYear();
    // A program that never asked takes its ledger for this year's.
    if (last <= 0) {
        m_years.rememberYear(today.year());
        return true;
    }
    if (last >= today.year())
        return true;
    if (!m_prompts.askYesNo(
            QStringLiteral("新的一年：把 %1 年的台账存档，并把各树种的库存结转到新台账吗？")
                .arg(last))) {
        m_years.rememberYear(today.year());
        return true;
    }
    const LedgerYearStep::Outcome step = runYearStep(LedgerYearStep::Kind::NewYear, last, today);
    if (!step.done) {
        m_prompts.showMessage(step.failure);
        return false;
    }
    m_years.rememberYear(today.year());
    return true;
}

LedgerYearStep::Outcome StockPosting::runYearStep(
    LedgerYearStep::Kind kind, int year, const QDate& today)
{
    LedgerYearStep step(m_app, m_path);
    step.passing = m_years.passing;
    LedgerYearStep::Outcome outcome;
    m_prompts.whileBusy(QStringLiteral("正在存档台账，并把库存结转到新台账……"),
        [&] { outcome = step.run(kind, year, today); });
    if (outcome.done && !outcome.negative.isEmpty())
        m_prompts.showMessage(QStringLiteral("以下树种的库存是负数，已照样结转到新台账，请核对：%1")
                                  .arg(outcome.negative.join(QStringLiteral("；"))));
    return outcome;
}

bool StockPosting::PostedLoad::operator==(const PostedLoad& other) const
{
    return species == other.species && groupVolumes == other.groupVolumes
        && tallyEdits == other.tallyEdits;
}

// A species the stock sheet does not list would never be counted there, and
// the same load pressed twice would be posted twice: the clerk decides.
bool StockPosting::confirmedByTheClerk(const Tally& tally, const PostingContext& context)
{
    const bool in = m_sheet == Sheet::StockIn;
    const QString posting = in ? QStringLiteral("入库") : QStringLiteral("出库");
    if (!context.speciesList.isEmpty() && !context.speciesList.contains(tally.species)
        && !m_prompts.askYesNo(
            QStringLiteral("树种“%1”不在库存表的树种列表中，库存表不会计入它。仍要%2吗？")
                .arg(tally.species, posting)))
        return false;
    const PostedLoad load { tally.species, groupVolumes(tally), context.tallyEdits };
    if (m_lastPosted && *m_lastPosted == load
        && !m_prompts.askYesNo(QStringLiteral("这车已经%1，确定要再%1一次吗？").arg(posting)))
        return false;
    return true;
}

void StockPosting::post(
    const Tally& tally, const QDate& today, int& row, WorkbookPass& pass, QString& shortage)
{
    auto book = m_app.open(m_path);
    if (m_sheet == Sheet::StockOut && !m_stockConfirmed) {
        shortage = stockShortage(*book, tally);
        if (!shortage.isEmpty()) {
            book->close();
            return;
        }
    }
    Worksheet& sheet = postingSheet(*book, m_sheet);
    // The first row from 6 whose volume shows no text, gaps included.
    row = sheet.firstRowShowingNoText(3, firstPostingRow, lastSheetRow);
    if (row == 0) {
        book->close();
        return;
    }
    if (headerNamesDate(sheet) && sheet.shownText(row, 1).isEmpty())
        sheet.setDate(row, 1, today);
    writeAsTyped(sheet, row, 2, tally.species);
    writeLeadingNumber(sheet, row, 3, tally.groupVolumes[0]);
    writeAsTyped(sheet, row, 4, tally.unitPrices[0]);
    writeAsTyped(sheet, row, 6, tally.groupVolumes[1]);
    writeAsTyped(sheet, row, 7, tally.unitPrices[1]);
    writeAsTyped(sheet, row, 9, tally.groupVolumes[2]);
    writeAsTyped(sheet, row, 10, tally.unitPrices[2]);
    book->save();
    pass.markSaved();
    book->close();
}

void viewStock(Spreadsheet& app, const QString& path, CommandPrompts& prompts)
{
    // The archived years beside the live ledger, newest first.
    QString chosen = path;
    const QVector<ArchivedLedger> archived = archivedLedgers(path);
    if (!archived.isEmpty()) {
        QStringList options { QStringLiteral("当前台账") };
        for (const ArchivedLedger& ledger : archived)
            options << QStringLiteral("存档：%1").arg(QFileInfo(ledger.path).completeBaseName());
        const int choice = prompts.chooseOne(QStringLiteral("查看哪一本台账？"), options);
        if (choice < 0)
            return;
        if (choice > 0)
            chosen = archived[choice - 1].path;
    }
    // The user sees a copy of the ledger as just saved, never the live file.
    const QString snapshot = viewSnapshotPath(chosen);
    const PassOutcome outcome
        = runWorkbookPass(QStringLiteral("view stock"), chosen, [&](WorkbookPass&) {
              {
                  auto book = app.open(chosen);
                  book->sheetNamed(detailSheet);
                  book->saveCopy(snapshot, Workbook::CopyFormat::Excel97);
                  book->close();
              }
              app.show(snapshot);
          });
    if (outcome.failure)
        prompts.showMessage(failureMessage(*outcome.failure));
}
