// Form1's workbook commands: the species list read at start, stock in,
// stock out, view stock and print bill. The commands themselves live in records/; the
// window hands them its fields and shows what they have to say.

#include "history/history_recorder.h"
#include "history/history_sender.h"
#include "history/reading_store.h"
#include "history_window/history.h"
#include "records/bill_export.h"
#include "records/stock_ledger.h"
#include "records/workbook_messages.h"
#include "tally_window/fields_sheet.h"
#include "tally_window/form1.h"
#include "tally_window/picture_button.h"
#include "tally_window/running_command.h"
#include "tally_window/tally_field.h"
#include "tally_window/tally_journal.h"

#include <QApplication>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QPushButton>
#include <QtConcurrent>

struct SpeciesLoad {
    QStringList species;
    QString failure;
};

namespace {

// The program's messages: modal, OK only, no icon, the program's title.
class WindowPrompts : public CommandPrompts {
public:
    WindowPrompts(QWidget* window, QLineEdit* totalVolume)
        : m_window(window)
        , m_totalVolume(totalVolume)
    {
    }

    void showMessage(const QString& text) override
    {
        QMessageBox box(
            QMessageBox::NoIcon, QStringLiteral("Quorvane"), text, QMessageBox::Ok, m_window);
        showModal(box);
    }

    void focusTotalVolume() override { m_totalVolume->setFocus(Qt::OtherFocusReason); }

    bool askYesNo(const QString& question) override
    {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quorvane"), question,
            QMessageBox::Yes | QMessageBox::No, m_window);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setDefaultButton(QMessageBox::No);
        return showModal(box) == QMessageBox::Yes;
    }

private:
    // The wait cursor of a running command is not the box's.
    static int showModal(QMessageBox& box)
    {
        const bool busy = QApplication::overrideCursor();
        if (busy)
            QApplication::restoreOverrideCursor();
        const int answer = box.exec();
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        return answer;
    }

    QWidget* m_window;
    QLineEdit* m_totalVolume;
};

} // namespace

void Form1::connectWorkbookCommands()
{
    m_prompts = std::make_unique<WindowPrompts>(this, m_fields.text18[3]);
    const QString ledger = ledgerPath(m_folders.program);
    m_stockIn = std::make_unique<StockPosting>(
        m_spreadsheet, ledger, StockPosting::Sheet::StockIn, *m_prompts);
    m_stockOut = std::make_unique<StockPosting>(
        m_spreadsheet, ledger, StockPosting::Sheet::StockOut, *m_prompts);
    connect(
        m_command5, &PictureButton::clicked, this, [this] { onStockPostingClicked(*m_stockIn); });
    connect(
        m_command7, &PictureButton::clicked, this, [this] { onStockPostingClicked(*m_stockOut); });
    connect(m_command8, &PictureButton::clicked, this, &Form1::onViewStockClicked);
    m_bill = std::make_unique<BillExport>(m_spreadsheet, billPath(m_folders.program), *m_prompts);
    connect(m_command3, &PictureButton::clicked, this, &Form1::onPrintBillClicked);
    countTallyEdits();
}

// Any text of the tally that changes makes it another load to post.
void Form1::countTallyEdits()
{
    for (const QLineEdit* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, [this] { ++m_tallyEdits; });
    for (const QComboBox* box : findChildren<QComboBox*>())
        connect(box, &QComboBox::currentTextChanged, this, [this] { ++m_tallyEdits; });
}

Form1::~Form1()
{
    // The load reads the ledger through the spreadsheet on its own thread.
    if (m_speciesLoad)
        m_speciesLoad->waitForFinished();
}

// The office's cold start takes seconds: the list is read on another thread
// and arrives while the scaler already types.
void Form1::startSpeciesLoad()
{
    m_speciesLoad = new QFutureWatcher<SpeciesLoad>(this);
    connect(m_speciesLoad, &QFutureWatcher<SpeciesLoad>::finished, this, &Form1::onSpeciesLoaded);
    Spreadsheet& spreadsheet = m_spreadsheet;
    const QString ledger = ledgerPath(m_folders.program);
    m_speciesLoad->setFuture(QtConcurrent::run([&spreadsheet, ledger] {
        SpeciesLoad load;
        try {
            load.species = loadSpeciesList(spreadsheet, ledger);
        } catch (const WorkbookError& error) {
            load.failure = failureMessage(error);
        }
        return load;
    }));
}

bool Form1::speciesListLoaded() const
{
    return m_speciesListLoaded;
}

void Form1::onSpeciesLoaded()
{
    m_speciesListLoaded = true;
    const SpeciesLoad load = m_speciesLoad->result();
    if (!load.failure.isEmpty()) {
        m_prompts->showMessage(QStringLiteral("树种列表无法读取：%1").arg(load.failure));
        return;
    }
    // Whatever was typed into the box meanwhile stays.
    QComboBox* species = m_fields.combo3;
    const QString typed = species->currentText();
    species->clear();
    species->addItems(load.species);
    species->setEditText(typed);
}

PostingFields Form1::postingFields() const
{
    PostingFields fields;
    fields.species = m_fields.combo3->currentText();
    for (int group = 0; group < 3; ++group) {
        fields.groupVolumes[group] = m_fields.text18[group]->text();
        fields.unitPrices[group] = m_fields.text19[group]->text();
    }
    fields.totalVolume = m_fields.text18[3]->text();
    if (m_speciesListLoaded)
        for (int item = 0; item < m_fields.combo3->count(); ++item)
            fields.speciesList << m_fields.combo3->itemText(item);
    fields.tallyEdits = m_tallyEdits;
    return fields;
}

void Form1::onStockPostingClicked(StockPosting& posting)
{
    if (RunningCommand running { m_commandRunning }) {
        if (posting.press([this] { return postingFields(); }) > 0)
            recordLoad(&posting == m_stockIn.get() ? LoadKind::StockIn : LoadKind::StockOut);
    }
}

void Form1::onViewStockClicked()
{
    if (RunningCommand running { m_commandRunning })
        viewStock(m_spreadsheet, ledgerPath(m_folders.program), *m_prompts);
}

BillFields Form1::billFields() const
{
    BillFields f;
    f.combo4 = m_fields.combo4->currentText();
    f.text17 = m_fields.text17->text();
    f.combo2 = m_fields.combo2->currentText();
    f.text22 = m_fields.text22->text();
    f.combo3 = m_fields.combo3->currentText();
    f.text25 = m_fields.text25->text();
    for (int block = 0; block < 4; ++block)
        f.lengths[block] = m_fields.lengths[block]->text();
    for (int row = 1; row <= TallyFields::rowCount; ++row)
        for (int element = 0; element < TallyFields::rowElements; ++element)
            f.grid[row - 1][element] = m_fields.cell(row, element)->text();
    for (int i = 0; i < 8; ++i) {
        f.text29[i] = m_fields.text29[i]->text();
        f.text30[i] = m_fields.text30[i]->text();
    }
    for (int i = 0; i < 4; ++i) {
        f.text16[i] = m_fields.text16[i]->text();
        f.text18[i] = m_fields.text18[i]->text();
        f.text28[i] = m_fields.text28[i]->text();
    }
    for (int i = 0; i < 3; ++i)
        f.text19[i] = m_fields.text19[i]->text();
    f.combo5 = m_fields.combo5->currentText();
    f.text20 = m_fields.text20->text();
    f.combo1 = m_fields.combo1->currentText();
    f.text24 = m_fields.text24->text();
    f.standardLayoutShown = m_fields.standardLayoutShown();
    f.extendedLayoutShown = m_fields.extendedLayoutShown();
    return f;
}

void Form1::onPrintBillClicked()
{
    if (RunningCommand running { m_commandRunning }) {
        if (m_bill->press([this] { return billFields(); }))
            recordLoad(LoadKind::Bill, m_bill->lastNumber().text());
    }
}
