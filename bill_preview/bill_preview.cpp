#include "bill_preview/bill_preview.h"

#include "bill_preview/preview_pages.h"
#include "bill_preview/printer_queue.h"
#include "support/event_log.h"
#include "support/phase_log.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPdfDocument>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

const char* printerKey = "print/printer";
const char* copiesKey = "print/copies";
constexpr int printerReadDelayMs = 300;

QPushButton* commandButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

BillPreview::BillPreview(
    PrinterQueue& printers, QString settingsFile, OfficeLauncher openInOffice, QWidget* parent)
    : QDialog(parent, Qt::Window)
    , m_printers(printers)
    , m_settingsFile(std::move(settingsFile))
    , m_openInOffice(std::move(openInOffice))
    , m_document(new QPdfDocument(this))
    , m_printerRead(new QFutureWatcher<Printers>(this))
{
    setObjectName(QStringLiteral("BillPreview"));
    setWindowTitle(QStringLiteral("账单预览"));
    m_view = new QScrollArea(this);
    m_view->setAlignment(Qt::AlignCenter);
    m_view->setBackgroundRole(QPalette::Dark);
    m_pages = new PreviewPages(*m_document, *m_view);
    m_view->setWidget(m_pages);
    auto* bar = new QWidget(this);
    buildCommands(bar);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("PrintStatus"));
    m_status->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    layout->addWidget(bar);
    resize(760, 900);
    connect(m_printerRead, &QFutureWatcher<Printers>::finished, this, [this] {
        const Printers read = m_printerRead->result();
        listPrinters(read.names, read.defaultPrinter, true);
    });
}

BillPreview::~BillPreview()
{
    m_printerRead->waitForFinished();
}

void BillPreview::prepare()
{
    ensurePolished();
    if (!m_sized)
        sizeToScreen();
    create();
    readPrinters();
}

void BillPreview::buildCommands(QWidget* bar)
{
    auto* zoomIn = commandButton(QStringLiteral("放大"), "ZoomIn", bar);
    auto* zoomOut = commandButton(QStringLiteral("缩小"), "ZoomOut", bar);
    auto* fit = commandButton(QStringLiteral("适合窗口"), "FitPage", bar);
    m_printer = new QComboBox(bar);
    m_printer->setObjectName(QStringLiteral("Printer"));
    m_copies = new QSpinBox(bar);
    m_copies->setObjectName(QStringLiteral("Copies"));
    m_copies->setRange(1, 9);
    m_copies->setSuffix(QStringLiteral(" 份"));
    m_print = commandButton(QStringLiteral("打印"), "Print", bar);
    // Enter prints: the one command a scaler gives every truck.
    m_print->setAutoDefault(true);
    m_print->setDefault(true);
    auto* office = m_office = commandButton(QStringLiteral("用表格程序打开"), "OpenInOffice", bar);
    auto* close = commandButton(QStringLiteral("关闭"), "Close", bar);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : { static_cast<QWidget*>(zoomIn), static_cast<QWidget*>(zoomOut),
             static_cast<QWidget*>(fit) })
        row->addWidget(widget);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("打印机"), bar));
    row->addWidget(m_printer);
    row->addWidget(m_copies);
    row->addWidget(m_print);
    row->addWidget(office);
    row->addWidget(close);
    connect(zoomIn, &QPushButton::clicked, this, [this] { zoomBy(1.25); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { zoomBy(0.8); });
    connect(fit, &QPushButton::clicked, this, &BillPreview::fitPage);
    connect(m_print, &QPushButton::clicked, this, &BillPreview::print);
    connect(office, &QPushButton::clicked, this, &BillPreview::openInOffice);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* plus = new QShortcut(QKeySequence::ZoomIn, this);
    connect(plus, &QShortcut::activated, this, [this] { zoomBy(1.25); });
    auto* minus = new QShortcut(QKeySequence::ZoomOut, this);
    connect(minus, &QShortcut::activated, this, [this] { zoomBy(0.8); });
}

bool BillPreview::showBill(const QString& pdf, const QString& copy)
{
    return showDocument(
        pdf, copy, QStringLiteral("账单预览 - %1").arg(QFileInfo(pdf).completeBaseName()));
}

bool BillPreview::showDocument(const QString& pdf, const QString& copy, const QString& title)
{
    const PhaseCommand command(QStringLiteral("bill preview"));
    PhaseTimer loading("preview load");
    m_document->close();
    const bool loaded
        = m_document->load(pdf) == QPdfDocument::Error::None && m_document->pageCount() > 0;
    loading.done();
    if (!loaded) {
        logEvent(QStringLiteral("bill preview: cannot read %1").arg(pdf));
        return false;
    }
    m_pdf = pdf;
    m_copy = copy;
    // A PDF with no workbook behind it (the history's report) has nothing to open.
    m_office->setVisible(!copy.isEmpty());
    setWindowTitle(title);
    say({}, false);
    fillPrinters();
    if (!m_sized)
        sizeToScreen();
    // Watched only while the phase log is on: a filter on every event.
    if (phaseLogOn() && !m_paintWait.isValid())
        qApp->installEventFilter(this);
    if (phaseLogOn())
        m_paintWait.start();
    show();
    m_zoom = 0;
    m_view->verticalScrollBar()->setValue(0);
    renderPage();
    raise();
    activateWindow();
    m_print->setFocus();
    emit billShown(pdf, copy);
    return true;
}

// A whole A4 page on a large screen; on the office screen of 1366 x 768 the
// window keeps room for its title bar and the desktop's panel, so its
// buttons stay in sight.
void BillPreview::sizeToScreen()
{
    QSize size(760, 900);
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() - QSize(32, 80));
    resize(size);
    m_sized = true;
}

// The printers are read on every showing: one added since the last bill is
// there. Each reading starts two programs, which on a busy machine take
// longer than the page: only the first is waited for.
void BillPreview::fillPrinters()
{
    if (!m_printersRead) {
        listPrinters(m_printers.printers(), m_printers.defaultPrinter(), false);
    } else {
        QStringList names;
        for (int i = 0; i < m_printer->count(); ++i)
            names << m_printer->itemText(i);
        listPrinters(names, m_defaultPrinter, false);
        // After the page is up: the two programs would take from its rendering.
        QTimer::singleShot(printerReadDelayMs, this, &BillPreview::readPrinters);
    }
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    m_copies->setValue(settings.value(QLatin1String(copiesKey), 1).toInt());
}

void BillPreview::readPrinters()
{
    if (m_printerRead->isRunning())
        return;
    PrinterQueue& printers = m_printers;
    m_printerRead->setFuture(QtConcurrent::run([&printers] {
        return Printers { printers.printers(), printers.defaultPrinter() };
    }));
}

// At a showing the settings' printer is chosen; a list read meanwhile keeps
// the one on screen. Else the system's default.
void BillPreview::listPrinters(
    const QStringList& names, const QString& defaultPrinter, bool keepShown)
{
    const QString shown = m_printer->currentText();
    m_printersRead = true;
    m_defaultPrinter = defaultPrinter;
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    QString chosen = settings.value(QLatin1String(printerKey)).toString();
    if (keepShown || !names.contains(chosen))
        chosen = names.contains(shown) ? shown : defaultPrinter;
    if (!names.contains(chosen))
        chosen = defaultPrinter;
    QStringList listed;
    for (int i = 0; i < m_printer->count(); ++i)
        listed << m_printer->itemText(i);
    if (listed != names) {
        m_printer->clear();
        m_printer->addItems(names);
    }
    m_printer->setCurrentIndex(std::max(0, int(names.indexOf(chosen))));
}

void BillPreview::print()
{
    const QString printer = m_printer->currentText();
    const QString failure = printer.isEmpty() ? m_printers.problem(printer)
                                              : m_printers.print(m_pdf, printer, m_copies->value());
    if (!failure.isEmpty()) {
        say(failure, true);
        return;
    }
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    settings.setValue(QLatin1String(printerKey), printer);
    settings.setValue(QLatin1String(copiesKey), m_copies->value());
    say(QStringLiteral("已送到打印机“%1”，共 %2 份。").arg(printer).arg(m_copies->value()), false);
    emit printed();
}

void BillPreview::openInOffice()
{
    if (!m_openInOffice || !m_openInOffice(m_copy))
        say(QStringLiteral("无法打开表格程序来显示账单“%1”。")
                .arg(QDir::toNativeSeparators(m_copy)),
            true);
}

void BillPreview::zoomBy(double factor)
{
    m_zoom = std::clamp((m_zoom > 0 ? m_zoom : 1.0) * factor, 0.25, 6.0);
    renderPage();
}

void BillPreview::fitPage()
{
    m_zoom = 0;
    renderPage();
}

int BillPreview::pageCount() const
{
    return m_pages->count();
}

QPixmap BillPreview::page(int index) const
{
    return m_pages->page(index);
}

// The pages in sight are rendered at once, so they are on screen with the
// first paint after showDocument.
void BillPreview::renderPage()
{
    m_pages->layOut(m_zoom);
}

// The first paint of a page after a document was shown, timed from the show
// for the phase log.
bool BillPreview::eventFilter(QObject* watched, QEvent* event)
{
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Paint && m_paintWait.isValid() && widget
        && m_pages->isAncestorOf(widget)) {
        logPhase(QStringLiteral("bill preview"), "preview first paint", m_paintWait.elapsed());
        m_paintWait.invalidate();
        qApp->removeEventFilter(this);
    }
    return QDialog::eventFilter(watched, event);
}

void BillPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_zoom == 0)
        renderPage();
    else
        m_pages->renderInSight();
}

void BillPreview::say(const QString& text, bool trouble)
{
    m_status->setText(text);
    m_status->setStyleSheet(trouble ? QStringLiteral("color: #b00020;") : QString());
    m_status->setVisible(!text.isEmpty());
}
