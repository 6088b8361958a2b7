// The program's windows on the office screen most yards still have,
// 1366 x 768 (this suite's offscreen screen): each fits with room for its
// title bar, the history window shows all of itself with its columns
// sharing its width, Esc and Ctrl+W close the windows opened from the
// tally, and the exports' file dialog opens in the documents folder and
// then where the clerk saved last. Leaves a picture of the history window.

#include "accounts_window/accounts.h"
#include "app/tally_program.h"
#include "bill_preview/bill_preview.h"
#include "calculator/calculator_window.h"
#include "history/history_recorder.h"
#include "history/load_table_model.h"
#include "history_window/history.h"
#include "history_window/history_services.h"
#include "history_window/station_settings.h"
#include "memory_fixture.h"
#include "records/stock_ledger.h"
#include "tally_window/form1.h"
#include "tally_window/tally_field.h"
#include "unit_prices/form4.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Room a real desktop takes that the offscreen screen does not have: a
// window's title bar and the desktop's panel, about 32 px each.
constexpr int desktopRoom = 64;

// A program with its history and configuration folders in `folder` (its
// own when none is given), the tally shown.
class OfficeProgram {
public:
    explicit OfficeProgram(const QString& folder = {})
        : m_folder(folder.isEmpty() ? m_ownFolder.path() : folder)
    {
        prepareMemoryLedger(
            m_spreadsheet, ledgerPath(m_folder.path()), { QStringLiteral("落叶松") });
        m_program = std::make_unique<TallyProgram>(
            TallyFolders { m_folder.path(), m_folder.path(), QString(),
                m_folder.filePath(QStringLiteral("history")), configFolder() },
            m_spreadsheet);
        window()->show();
        if (!QTest::qWaitForWindowExposed(window()))
            qWarning("the tally window was not shown");
    }

    Form1* window() const { return &m_program->window(); }
    Accounts* accountsWindow() const { return m_program->accountsWindow(); }
    BillPreview& billPreview() const { return m_program->billPreview(); }
    QString filePath(const QString& name) const { return m_folder.filePath(name); }
    HistoryServices& history() const { return *m_program->history(); }
    QString configFolder() const { return m_folder.filePath(QStringLiteral("config")); }

    // Ctrl+H on the tally, as the clerk opens it.
    History* openHistory()
    {
        QTest::keyClick(window()->fields().lengths[0], Qt::Key_H, Qt::ControlModifier);
        History* opened = history().openedWindow();
        if (opened && !QTest::qWaitForWindowExposed(opened))
            qWarning("the history window was not shown");
        return opened;
    }

private:
    QTemporaryDir m_ownFolder;
    QDir m_folder;
    MemorySpreadsheet m_spreadsheet;
    std::unique_ptr<TallyProgram> m_program;
};

// Loads of a busy day, with the longest names a yard types.
void recordBusyDay(HistoryServices& history)
{
    const QStringList buyers { QStringLiteral("某某县木材有限公司"), QStringLiteral("林场甲"),
        QStringLiteral("青山木业") };
    for (int i = 0; i < 12; ++i) {
        Tally tally;
        tally.species = i % 2 ? QStringLiteral("落叶松") : QStringLiteral("樟子松");
        tally.captions = { { { QStringLiteral("购货单位"), buyers[i % 3] },
            { QStringLiteral("车号"), QStringLiteral("闽A1234%1").arg(i % 10) },
            { QStringLiteral("供货单位"), QStringLiteral("供方乙") },
            { QStringLiteral("联系人"), QStringLiteral("张三") } } };
        tally.groupPieces[3] = QString::number(100 + 37 * i);
        tally.groupVolumes[3] = QStringLiteral("%1.5928").arg(10 + i);
        tally.groupAmounts[3] = QStringLiteral("%1.24").arg(9000 + 1000 * i);
        const LoadKind kind = loadKinds[std::size_t(i % 3)];
        history.record(kind, tally,
            kind == LoadKind::Bill ? QStringLiteral("2026-12-09-00%1").arg(i) : QString());
    }
}

// "2026-12-01 至 2026-12-31": the period the history opens on.
QString thisMonth()
{
    const LoadFilter month = LoadFilter::thisMonth(QDate::currentDate());
    return month.from.toString(Qt::ISODate) + QStringLiteral(" 至 ")
        + month.to.toString(Qt::ISODate);
}

// Whether the widget lies wholly inside its window.
bool insideWindow(const QWidget* widget)
{
    const QWidget* window = widget->window();
    return window->rect().contains(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()));
}

// Answers the next file dialog with `answer` once it is up.
void whenFileDialogOpens(std::function<void(QFileDialog*)> answer)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            poll->deleteLater();
            poll->stop();
            answer(dialog);
        }
    });
    poll->start(10);
}

} // namespace

class TestOfficeScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyWindowFitsTheScreen_data();
    void everyWindowFitsTheScreen();
    void historyShowsAllOfItselfWithColumnsSharingItsWidth();
    void escapeAndCtrlWCloseTheWindows_data();
    void escapeAndCtrlWCloseTheWindows();
    void exportDialogOpensInDocumentsThenWhereSavedLast();

private:
    QWidget* openWindow(OfficeProgram& program, const QString& which);

    QTemporaryDir m_home;
    QString m_documents;
};

// The desktop's folders of this suite's own: the documents folder has the
// name a Chinese desktop gives it.
void TestOfficeScreen::initTestCase()
{
    const QString config = m_home.filePath(QStringLiteral("config"));
    m_documents = m_home.filePath(QStringLiteral("文档"));
    QVERIFY(QDir().mkpath(config) && QDir().mkpath(m_documents));
    QFile dirs(QDir(config).filePath(QStringLiteral("user-dirs.dirs")));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write(QStringLiteral("XDG_DOCUMENTS_DIR=\"%1\"\n").arg(m_documents).toUtf8());
    dirs.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), m_documents);
    const QScreen* screen = QGuiApplication::primaryScreen();
    QVERIFY2(screen->availableGeometry().size() == QSize(1366, 768),
        "needs the office screen of this suite");
}

QWidget* TestOfficeScreen::openWindow(OfficeProgram& program, const QString& which)
{
    if (which == QLatin1String("tally"))
        return program.window();
    if (which == QLatin1String("unit prices")) {
        QTest::mouseClick(
            program.window()->findChild<QWidget*>(QStringLiteral("Label5")), Qt::LeftButton);
        return program.window()->unitPriceWindow();
    }
    if (which == QLatin1String("calculator")) {
        QTest::mouseClick(
            program.window()->findChild<QWidget*>(QStringLiteral("Label23")), Qt::LeftButton);
        return program.window()->findChild<Main*>(QStringLiteral("Main"));
    }
    if (which == QLatin1String("bill preview")) {
        // One A4 page, as a bill's PDF is.
        const QString pdf = program.filePath(QStringLiteral("page.pdf"));
        {
            QPdfWriter writer(pdf);
            writer.setPageSize(QPageSize(QPageSize::A4));
            QPainter(&writer).drawText(100, 100, QStringLiteral("账单"));
        }
        return program.billPreview().showBill(pdf, QString()) ? &program.billPreview() : nullptr;
    }
    if (which == QLatin1String("accounts")) {
        QTest::keyClick(program.window()->fields().lengths[0], Qt::Key_J, Qt::ControlModifier);
        return program.accountsWindow();
    }
    History* history = program.openHistory();
    if (which == QLatin1String("history") || !history)
        return history;
    QTest::mouseClick(
        history->findChild<QPushButton*>(QStringLiteral("stationSettingsButton")), Qt::LeftButton);
    return history->findChild<StationSettings*>(QStringLiteral("StationSettings"));
}

void TestOfficeScreen::everyWindowFitsTheScreen_data()
{
    QTest::addColumn<QString>("which");
    for (const char* which : { "tally", "unit prices", "calculator", "history", "station settings",
             "accounts", "bill preview" })
        QTest::newRow(qPrintable(QStringLiteral("the %1 window fits beside a title bar and a panel")
                                     .arg(QLatin1String(which))))
            << QString::fromLatin1(which);
}

void TestOfficeScreen::everyWindowFitsTheScreen()
{
    QFETCH(QString, which);
    OfficeProgram program;
    QWidget* window = openWindow(program, which);
    QVERIFY(window);
    QTRY_VERIFY(window->isVisible());
    const QRect screen = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    QVERIFY2(screen.contains(frame) && frame.height() + desktopRoom <= screen.height(),
        qPrintable(QStringLiteral("%1 at %2,%3 %4x%5")
                       .arg(which)
                       .arg(frame.x())
                       .arg(frame.y())
                       .arg(frame.width())
                       .arg(frame.height())));
    QVERIFY(window->minimumSizeHint().width() <= screen.width());
}

// The status line used to be below the screen's edge, and the columns
// ended short of the table's right edge.
void TestOfficeScreen::historyShowsAllOfItselfWithColumnsSharingItsWidth()
{
    OfficeProgram program;
    recordBusyDay(program.history());
    History* window = program.openHistory();
    QVERIFY(window);
    window->setNotice(QStringLiteral("历史数据服务器连不上，这里只显示本机的记录。"));
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY(window->frameGeometry().height() + desktopRoom <= screen.height());
    QVERIFY(screen.contains(window->frameGeometry()));
    for (const char* name : { "statusLabel", "totalsLabel", "openButton", "csvButton",
             "excelButton", "stationSettingsButton" }) {
        auto* shown = window->findChild<QWidget*>(QString::fromLatin1(name));
        // Laid out again once the notice is in.
        auto needed = [shown] {
            return shown->hasHeightForWidth() ? shown->heightForWidth(shown->width())
                                              : shown->sizeHint().height();
        };
        QTRY_VERIFY2(shown->height() >= needed(), name);
        QVERIFY2(shown->isVisible() && insideWindow(shown), name);
    }

    auto* table = window->findChild<QTableView*>(QStringLiteral("loadsTable"));
    QCOMPARE(table->model()->rowCount(), 12);
    auto columnsWidth = [table] {
        int sum = 0;
        for (int c = 0; c < table->model()->columnCount(); ++c)
            sum += table->isColumnHidden(c) ? 0 : table->columnWidth(c);
        return sum;
    };
    QTRY_COMPARE(columnsWidth(), table->viewport()->width());
    QVERIFY(!table->horizontalScrollBar()->isVisible());
    // Never narrower than its longest figure: a figure cut short reads as another.
    QVERIFY(table->columnWidth(shownIndex(LoadColumn::Amount))
        > table->fontMetrics().horizontalAdvance(QStringLiteral("20000.24")));

    const QString folder = QStringLiteral(QUORVANE_SCREENSHOTS);
    QDir().mkpath(folder);
    QVERIFY(window->grab().save(QDir(folder).filePath(QStringLiteral("history-1366x768.png"))));
    window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    auto* print = window->findChild<QPushButton*>(QStringLiteral("pdfButton"));
    QTRY_VERIFY(print->isVisible());
    QVERIFY(insideWindow(print));
    auto* report = window->findChild<QTableView*>(QStringLiteral("reportTable"));
    auto reportWidth = [report] {
        int sum = 0;
        for (int c = 0; c < report->model()->columnCount(); ++c)
            sum += report->columnWidth(c);
        return sum;
    };
    QTRY_COMPARE(reportWidth(), report->viewport()->width());
    // The chart lays itself out on the next turns of the event loop.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    QVERIFY(window->grab().save(QDir(folder).filePath(QStringLiteral("report-1366x768.png"))));
    window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(0);

    // Narrower and wider again, the columns still end at the table's edge.
    window->resize(900, window->height());
    QTRY_COMPARE(window->width(), 900);
    window->resize(1300, window->height());
    QTRY_COMPARE(columnsWidth(), table->viewport()->width());
}

void TestOfficeScreen::escapeAndCtrlWCloseTheWindows_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    const struct {
        const char* which;
        const char* focus;
    } windows[] = { { "history", "textFilter" }, { "station settings", "serverHost" },
        { "unit prices", "Text1(1)" }, { "accounts", "AccountsSearch" } };
    for (const auto& window : windows) {
        QTest::newRow(
            qPrintable(QStringLiteral("Esc closes the %1 window").arg(QLatin1String(window.which))))
            << QString::fromLatin1(window.which) << QString::fromLatin1(window.focus)
            << int(Qt::Key_Escape) << 0;
        QTest::newRow(qPrintable(
            QStringLiteral("Ctrl+W closes the %1 window").arg(QLatin1String(window.which))))
            << QString::fromLatin1(window.which) << QString::fromLatin1(window.focus)
            << int(Qt::Key_W) << int(Qt::ControlModifier);
    }
}

void TestOfficeScreen::escapeAndCtrlWCloseTheWindows()
{
    QFETCH(QString, which);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    OfficeProgram program;
    QPointer<QWidget> window = openWindow(program, which);
    QVERIFY(window);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* field = window->findChild<QWidget*>(focus);
    QVERIFY(field);
    field->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), field);
    QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(!window || !window->isVisible());
    QVERIFY(program.window()->isVisible());
}

// Every export (CSV, Excel, the report's PDF) asks in one dialog: in the
// documents folder at first, then in the folder saved to last, kept in the
// configuration file across runs.
void TestOfficeScreen::exportDialogOpensInDocumentsThenWhereSavedLast()
{
    QTemporaryDir elsewhere, folder;
    QString opened;
    {
        OfficeProgram program(folder.path());
        recordBusyDay(program.history());
        History* window = program.openHistory();
        QVERIFY(window);
        whenFileDialogOpens([&](QFileDialog* dialog) {
            opened = dialog->directory().absolutePath();
            dialog->setDirectory(elsewhere.path());
            // QFileDialog's own accept, which the dialog keeps protected.
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(
            window->findChild<QPushButton*>(QStringLiteral("csvButton")), Qt::LeftButton);
        QCOMPARE(opened, m_documents);
        const QStringList saved = QDir(elsewhere.path()).entryList(QDir::Files);
        QCOMPARE(saved, QStringList { QStringLiteral("历史记录 %1.csv").arg(thisMonth()) });
        QVERIFY(QFileInfo(QDir(elsewhere.path()).filePath(saved.first())).size() > 0);
        QSettings config(QDir(program.configFolder()).filePath(QStringLiteral("quorvane.ini")),
            QSettings::IniFormat);
        QCOMPARE(config.value(QStringLiteral("exports/folder")).toString(), elsewhere.path());
    }

    // The next run: the report's PDF asks there too; cancelled, nothing is written.
    OfficeProgram program(folder.path());
    History* window = program.openHistory();
    QVERIFY(window);
    window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    opened.clear();
    whenFileDialogOpens([&](QFileDialog* dialog) {
        opened = dialog->directory().absolutePath();
        dialog->reject();
    });
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("pdfButton")), Qt::LeftButton);
    QCOMPARE(opened, elsewhere.path());
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files).size(), 1);
}

QTEST_MAIN(TestOfficeScreen)
#include "test_office_screen.moc"
