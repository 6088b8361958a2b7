#include "tally_window/form1.h"

#include "assets/artwork.h"
#include "calculator/calculator_window.h"
#include "input_marks/number_mark.h"
#include "records/stock_ledger.h"
#include "support/event_log.h"
#include "tally_window/click_label.h"
#include "tally_window/entry_behaviour.h"
#include "tally_window/fields_sheet.h"
#include "tally_window/picture_button.h"
#include "tally_window/sheet_operations.h"
#include "tally_window/tally_field.h"
#include "tally_window/tally_gate.h"
#include "tally_window/tally_journal.h"
#include "tally_window/tally_snapshot.h"
#include "tally_window/twips.h"
#include "tally_window/window_placement.h"
#include "tally_window/workbook_commands.h"
#include "unit_prices/form4.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <utility>

QSize Form1::designSize()
{
    return { twipsToPixels(10620), twipsToPixels(9540) };
}

Form1::Form1(const QString& priceFolder, const QString& journalFolder, WorkbookCommands& commands,
    HistoryServices* history, CommandPrompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_commands(commands)
    , m_history(history)
    , m_prompts(prompts)
    , m_background(backgroundPicture())
{
    m_tools.priceFolder = priceFolder;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowIcon(programIcon());
    setFont(songFont(10.5));
    setFixedSize(designSize());

    createGrid();
    createLengthFields();
    createTotals();
    createPriceSummary();
    createBillFields();
    createRightColumn();
    createLayoutLinks();
    createButtons();
    setTabOrder();
    m_startingTexts = typedPart(readTally(m_fields));
    m_entry = new EntryBehaviour(this, m_fields);
    m_sheet = std::make_unique<FieldsSheet>(
        m_fields, *m_entry, [this](int group) { return unitPriceWindow()->priceText(group); });
    m_recalculation = std::make_unique<Recalculation>();

    connect(m_buttons.minimise, &PictureButton::clicked, this, &Form1::onMinimiseClicked);
    connect(m_buttons.exit, &PictureButton::clicked, this, &Form1::onExitClicked);
    m_journal = std::make_unique<TallyJournal>(
        journalFolder, m_fields, this, [this] { return m_ticking; });
    connect(m_buttons.clear, &PictureButton::clicked, this, [this] {
        m_journal->clearSheet();
        m_labels.restored->hide();
    });
    m_gate = std::make_unique<TallyGate>(
        m_fields, m_prompts, [this](int group) { return unitPriceWindow()->priceText(group); });
    m_commands.setTallyChecks(m_gate.get());
    connect(
        m_fields.label19, &ClickLabel::clicked, this, [this] { switchToExtendedLayout(m_fields); });
    connect(
        m_fields.label20, &ClickLabel::clicked, this, [this] { switchToStandardLayout(m_fields); });
    connect(m_labels.unitPriceLink, &ClickLabel::clicked, this, &Form1::onUnitPriceLinkClicked);
    connect(m_labels.calculatorLink, &ClickLabel::clicked, this, &Form1::onCalculatorLinkClicked);
    connectButtons();
    connectHistory();
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &Form1::onHelpRequested);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &Form1::onSessionEnding);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_fields.lengths[0]->setFocus();
    // Selected already, for window systems that type into it before any focus-in.
    m_fields.lengths[0]->selectAll();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    connect(m_timer1, &QTimer::timeout, this, &Form1::runRecalculationTick);
    m_timer1->start();

    // Said once the window is up.
    const QString restored = m_journal->start();
    if (!restored.isEmpty())
        QTimer::singleShot(0, this, [this, restored] { m_prompts.showMessage(restored); });
    m_labels.restored->setVisible(m_journal->restoredAfterExit());
}

Form1::~Form1()
{
    m_commands.setTallyChecks(nullptr);
}

Tally Form1::tally() const
{
    return readTally(m_fields);
}

void Form1::connectButtons()
{
    connect(m_buttons.stockIn, &PictureButton::clicked, &m_commands, &WorkbookCommands::stockIn);
    connect(m_buttons.stockOut, &PictureButton::clicked, &m_commands, &WorkbookCommands::stockOut);
    connect(
        m_buttons.printBill, &PictureButton::clicked, &m_commands, &WorkbookCommands::printBill);
    connect(
        m_buttons.viewStock, &PictureButton::clicked, &m_commands, &WorkbookCommands::viewStock);
    connect(&m_commands, &WorkbookCommands::speciesListArrived, this, &Form1::showSpeciesList);
    // A load in the books is no longer one to keep at the exit.
    connect(&m_commands, &WorkbookCommands::loadSaved, this,
        [this](LoadKind, const Tally& tally, const QString&) {
            m_journal->markSettled(tally);
            m_labels.restored->hide();
        });
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

void Form1::showSpeciesList(const QStringList& species)
{
    QComboBox* box = m_fields.combo3;
    const QString typed = box->currentText();
    box->clear();
    box->addItems(species);
    box->setEditText(typed);
}

void Form1::onHelpRequested()
{
    if (m_showHelp)
        m_showHelp();
}

void Form1::runRecalculationTick()
{
    // A message box opened during a tick (the unit price window's load) runs
    // the event loop; the next tick waits for this one to end.
    if (m_ticking)
        return;
    m_ticking = true;
    // A tick that changed nothing would change nothing again until some
    // text, price or the layout changes.
    if (m_sheet->needsTick()) {
        m_recalculation->run(*m_sheet);
        m_sheet->tickDone();
    }
    m_ticking = false;
}

Form4* Form1::unitPriceWindow()
{
    if (!m_tools.unitPrices) {
        m_tools.unitPrices = new Form4(m_tools.priceFolder, this);
        connect(m_tools.unitPrices, &Form4::saved, this, &Form1::onUnitPricesSaved);
        // The summary shows a marked price in the "0.00" form: marked too.
        for (int group = 0; group < m_fields.text19.size(); ++group)
            markCopiedPrice(m_fields.text19[group], m_tools.unitPrices->priceField(group));
    }
    return m_tools.unitPrices;
}

void Form1::onUnitPriceLinkClicked()
{
    Form4* prices = unitPriceWindow();
    prices->show();
    placeUnitPriceWindow();
    prices->raise();
    prices->activateWindow();
}

void Form1::onCalculatorLinkClicked()
{
    if (!m_tools.calculator)
        m_tools.calculator = new Main(this);
    // An open calculator stays where the user put it.
    showBesideTally(m_tools.calculator, !m_tools.calculator->isVisible());
}

// Opened beside the tally, so it covers none of the fields. Placed once
// shown, when its frame is known.
void Form1::showBesideTally(QWidget* window, bool moveBeside)
{
    window->show();
    if (moveBeside && screen())
        window->move(besideWindow(
            frameGeometry(), window->frameGeometry().size(), screen()->availableGeometry()));
    window->raise();
    window->activateWindow();
}

// Over the price summary: both offsets are taken from the two windows' widths.
void Form1::placeUnitPriceWindow()
{
    const int tallyWidth = frameGeometry().width() * twipsPerPixel;
    const int pricesWidth = m_tools.unitPrices->frameGeometry().width() * twipsPerPixel;
    const int left = x() * twipsPerPixel + tallyWidth - pricesWidth - 1900;
    const int top = y() * twipsPerPixel + tallyWidth - pricesWidth + 550;
    m_tools.unitPrices->move(twipsToPixels(left), twipsToPixels(top));
}

void Form1::onUnitPricesSaved()
{
    show();
    raise();
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(212, 212, 208));
    p.drawPixmap(0, 0, m_background);
}

// Any mouse button on the background picture moves the window; presses on a
// control (some, like an editable box's frame, pass them on) do not.
void Form1::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (childAt(event->position().toPoint()))
        return;
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = event->globalPosition() - QPointF(pos());
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset)
        move((event->globalPosition() - *m_dragOffset).toPoint());
}

void Form1::mouseReleaseEvent(QMouseEvent*)
{
    m_dragOffset.reset();
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    keepDesignSize();
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        keepDesignSize();
}

void Form1::closeEvent(QCloseEvent* event)
{
    const bool byExitButton = std::exchange(m_exitByButton, false);
    if (!settleUnitPrices()) {
        event->ignore();
        return;
    }
    event->accept();
    // The exit button sits under minimise: a sheet not yet in the books
    // waits in the journal for the next start.
    m_journal->endCleanly(byExitButton);
    // Closing the tally sheet ends the program, with whatever else is open;
    // the prices were asked about already.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window != m_tools.unitPrices)
            window->close();
    if (m_tools.unitPrices)
        m_tools.unitPrices->hide();
    QCoreApplication::quit();
}

// Prices typed and not saved would end with the program. A save that
// failed leaves them on screen, to be saved again.
bool Form1::settleUnitPrices()
{
    if (!m_tools.unitPrices || m_tools.unitPrices->settleEditsBeforeQuit())
        return true;
    onUnitPriceLinkClicked();
    return false;
}

// Qt closes no window when the desktop session ends, so the prices are
// asked about here. A session that lets nobody be asked may only be
// saving its state: the prices stay unsaved, and the log keeps them.
void Form1::onSessionEnding(QSessionManager& session)
{
    if (!m_tools.unitPrices || !m_tools.unitPrices->hasUnsavedEdits())
        return;
    if (!session.allowsInteraction()) {
        logEvent(QStringLiteral("unit prices not saved as the session asked for its data: %1")
                     .arg(m_tools.unitPrices->typedTexts().join(QStringLiteral(" / "))));
        return;
    }
    if (!settleUnitPrices())
        session.cancel();
    session.release();
}

void Form1::keepDesignSize()
{
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized)
        return;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        // Undo a maximise once the state change has been delivered.
        QMetaObject::invokeMethod(
            this,
            [this] {
                setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
            },
            Qt::QueuedConnection);
        return;
    }
    if (size() != designSize())
        resize(designSize());
}

void Form1::onMinimiseClicked()
{
    setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
}

void Form1::onExitClicked()
{
    m_exitByButton = true;
    close();
}
