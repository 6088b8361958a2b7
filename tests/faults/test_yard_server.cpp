// The tally window with a yard server set, on the real office and a real
// PostgreSQL server of the test's own, set up by the shipped script with a
// login for each station and reached over TLS: each posting reaches the
// server, the window counts what waits while the server is down, and the
// history window reads every station's loads from it.

#include "fault_fixture.h"
#include "history/history_sender.h"
#include "history/load_table_model.h"
#include "history/server_settings.h"
#include "history_window/history.h"
#include "history_window/station_settings.h"
#include "postgres_test_server.h"
#include "records/libreoffice/libreoffice_spreadsheet.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>

class TestYardServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void postingsReachTheServerAndWaitWhileItIsDown();

private:
    int serverLoads(const QString& where = QStringLiteral("TRUE"));

    std::unique_ptr<PostgresTestServer> m_server;
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    QTemporaryDir m_dir;
};

int TestYardServer::serverLoads(const QString& where)
{
    return m_server
        ->admin(QStringLiteral("SELECT COUNT(*) FROM loads WHERE %1").arg(where),
            QStringLiteral("yard"))
        .toInt();
}

void TestYardServer::initTestCase()
{
    if (!PostgresTestServer::binariesPresent())
        QSKIP("no PostgreSQL server programs: install postgresql-15 (scripts/install-deps)");
    m_server = std::make_unique<PostgresTestServer>();
    QString error;
    QVERIFY2(m_server->create(&error), qPrintable(error));
    QVERIFY(!m_server->admin(QStringLiteral("CREATE DATABASE yard")).isNull());
    for (const QStringList& station : { QStringList {},
             QStringList { QStringLiteral("station_login=gate1"),
                 QStringLiteral("station_name=一号门"), QStringLiteral("password=gate1-pw") },
             QStringList { QStringLiteral("station_login=gate2"),
                 QStringLiteral("station_name=二号门"), QStringLiteral("password=gate2-pw") } }) {
        QString output;
        QVERIFY2(m_server->adminScript(QStringLiteral(QUORVANE_SETUP_SCRIPT),
                     QStringLiteral("yard"), station, &output),
            qPrintable(output));
    }
    QVERIFY(usePasswordFile(
        m_dir.filePath(QStringLiteral("pgpass")), "*:*:*:gate1:gate1-pw\n*:*:*:gate2:gate2-pw\n"));
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("yard"), &m_shown));
    m_office->warmUp();
}

void TestYardServer::cleanupTestCase()
{
    m_office.reset();
    if (m_server)
        m_server->stop();
}

void TestYardServer::postingsReachTheServerAndWaitWhileItIsDown()
{
    QTemporaryDir history;
    QTemporaryDir config;
    ServerSettings settings;
    settings.host = m_server->host();
    settings.port = m_server->port();
    settings.database = QStringLiteral("yard");
    settings.user = QStringLiteral("gate1");
    settings.station = QStringLiteral("一号门");
    settings.certificate = m_server->certificateAuthority();
    QVERIFY(writeServerSettings(settingsFilePath(config.path()), settings));
    // Another station's load, already on the server.
    {
        QTemporaryDir other;
        QTemporaryDir otherConfig;
        ServerSettings second = settings;
        second.user = QStringLiteral("gate2");
        second.station = QStringLiteral("二号门");
        QVERIFY(writeServerSettings(settingsFilePath(otherConfig.path()), second));
        FaultTally gate2(*m_office, QDir::tempPath(), other.path(), otherConfig.path());
        gate2.typeLoad();
        TestAnswers answers;
        answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
        gate2.click(stockIn);
        QCOMPARE(answers.texts(), (QStringList { postingReminder, QStringLiteral("保存成功") }));
        QTRY_COMPARE_WITH_TIMEOUT(serverLoads(), 1, 30000);
    }

    FaultTally tally(*m_office, QDir::tempPath(), history.path(), config.path());
    tally.typeLoad();
    auto* waiting = tally.window()->findChild<QLabel*>(QStringLiteral("Label25"));
    QVERIFY(waiting);
    // The same truck posted again is asked about; whatever else is said must
    // not be about the history or the server.
    TestAnswers answers;
    answers.answerEvery(QString::fromUtf8(postingReminder), MessageAnswer::Ok);
    answers.answerEvery(QStringLiteral("保存成功"), MessageAnswer::Ok);
    answers.answerEvery(QStringLiteral("这车已经入库"), MessageAnswer::Yes);
    tally.click(stockIn);
    QTRY_COMPARE_WITH_TIMEOUT(serverLoads(QStringLiteral("station = '一号门'")), 1, 30000);
    QVERIFY(!waiting->isVisibleTo(tally.window()));

    // The server down: postings go on, and the window counts what waits.
    QVERIFY(m_server->stop());
    tally.click(stockOut);
    tally.click(stockIn);
    QTRY_VERIFY_WITH_TIMEOUT(waiting->isVisibleTo(tally.window()), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(waiting->text(), QStringLiteral("2 条记录等待发送到服务器"), 30000);
    QVERIFY(!waiting->toolTip().isEmpty());
    QDir().mkpath(QStringLiteral(QUORVANE_PICTURES));
    tally.window()->grab().save(QStringLiteral(QUORVANE_PICTURES "/waiting-for-server.png"));
    for (const QString& text : answers.texts())
        QVERIFY2(!text.contains(QStringLiteral("历史")) && !text.contains(QStringLiteral("服务器")),
            qPrintable(text));

    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(serverLoads(QStringLiteral("station = '一号门'")), 3, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!waiting->isVisibleTo(tally.window()), 30000);
    QCOMPARE(serverLoads(QStringLiteral("station = '一号门' AND kind = 2")), 1);

    // The history window reads the yard's loads, with their stations.
    tally.window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(tally.window()));
    QTest::keyClick(tally.window()->fields().lengths[0], Qt::Key_H, Qt::ControlModifier);
    History* window = tally.program().history()->openedWindow();
    QVERIFY(window);
    auto* table = window->findChild<QTableView*>(QStringLiteral("loadsTable"));
    QCOMPARE(table->model()->rowCount(), 4);
    QVERIFY(!table->isColumnHidden(shownIndex(LoadColumn::Station)));
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("stationSettingsButton")));

    // 测试连接 says the server showed the certificate the settings name.
    StationSettings dialog(settingsFilePath(config.path()));
    QTest::mouseClick(
        dialog.findChild<QPushButton*>(QStringLiteral("testConnection")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.findChild<QLabel*>(QStringLiteral("connectionResult"))->text(),
        QStringLiteral("服务器的证书与设置中的相符；连接成功，历史记录可以保存到服务器"), 30000);
}

QTEST_MAIN(TestYardServer)
#include "test_yard_server.moc"
