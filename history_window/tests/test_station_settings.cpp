// The station's server settings: the configuration file read back as
// written, under the documented group and keys; the settings window filled
// from it, saving it or saying it cannot, leaving it alone on 取消, the
// server's certificate chosen with 选择…, and 测试连接 naming why a server
// cannot be used.

#include "history/postgres_history_store.h"
#include "history/refused_records.h"
#include "history_window/station_settings.h"
#include "test_answers.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestStationSettings : public QObject {
    Q_OBJECT

private slots:
    void settingsFileIsReadBackAsWritten();
    void missingOrBadValuesReadAsDefaults();
    void windowSavesWhatIsTypedAndCancelKeepsTheFile();
    void anUnwritableFileIsSaidAndTheWindowStays();
    void certificateIsChosenSavedAndFoundBesideTheFile();
    void testConnectionNamesTheCause_data();
    void testConnectionNamesTheCause();
    void everyHostButOneSocketFolderGoesOverTls_data();
    void everyHostButOneSocketFolderGoesOverTls();
    void recordsTheServerRefusedAreShown();

private:
    QTemporaryDir m_dir;
    TestAnswers m_answers;
};

void TestStationSettings::settingsFileIsReadBackAsWritten()
{
    // The configuration folder need not exist yet.
    const QString file = settingsFilePath(m_dir.filePath(QStringLiteral("new/config")));
    ServerSettings settings;
    settings.host = QStringLiteral("192.168.1.10");
    settings.port = 5433;
    settings.database = QStringLiteral("yard");
    settings.user = QStringLiteral("gate");
    settings.station = QStringLiteral("一号门");
    settings.certificate = m_dir.filePath(QStringLiteral("yard-server.crt"));
    QVERIFY(writeServerSettings(file, settings));
    QCOMPARE(readServerSettings(file), settings);
    QSettings raw(file, QSettings::IniFormat);
    QCOMPARE(raw.value(QStringLiteral("history_server/host")).toString(),
        QStringLiteral("192.168.1.10"));
    QCOMPARE(raw.value(QStringLiteral("history_server/port")).toInt(), 5433);
    QCOMPARE(
        raw.value(QStringLiteral("history_server/station")).toString(), QStringLiteral("一号门"));
    QCOMPARE(
        raw.value(QStringLiteral("history_server/certificate")).toString(), settings.certificate);
    QVERIFY(raw.value(QStringLiteral("history_server/password")).isNull());
    QCOMPARE(settings.location(), QStringLiteral("192.168.1.10:5433/yard"));
    // A file where its folder should be: the write says it failed.
    QVERIFY(!writeServerSettings(file + QStringLiteral("/quorvane.ini"), settings));
}

void TestStationSettings::missingOrBadValuesReadAsDefaults()
{
    const ServerSettings none = readServerSettings(m_dir.filePath(QStringLiteral("absent.ini")));
    QVERIFY(!none.isSet());
    QCOMPARE(none.port, ServerSettings::defaultPort);
    QCOMPARE(none.stationName(), QSysInfo::machineHostName());

    const QString file = m_dir.filePath(QStringLiteral("bad.ini"));
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue(QStringLiteral("history_server/host"), QStringLiteral("  "));
        raw.setValue(QStringLiteral("history_server/port"), QStringLiteral("五四三二"));
        raw.setValue(QStringLiteral("history_server/station"), QStringLiteral(" 二号门 "));
    }
    const ServerSettings bad = readServerSettings(file);
    QVERIFY(!bad.isSet());
    QCOMPARE(bad.port, ServerSettings::defaultPort);
    QCOMPARE(bad.stationName(), QStringLiteral("二号门"));
}

void TestStationSettings::windowSavesWhatIsTypedAndCancelKeepsTheFile()
{
    const QString file = settingsFilePath(m_dir.filePath(QStringLiteral("window")));
    ServerSettings first;
    first.host = QStringLiteral("office-pc");
    first.database = QStringLiteral("yard");
    first.user = QStringLiteral("gate");
    QVERIFY(writeServerSettings(file, first));

    StationSettings window(file);
    QCOMPARE(window.objectName(), QStringLiteral("StationSettings"));
    auto* host = window.findChild<QLineEdit*>(QStringLiteral("serverHost"));
    auto* port = window.findChild<QSpinBox*>(QStringLiteral("serverPort"));
    auto* station = window.findChild<QLineEdit*>(QStringLiteral("stationName"));
    QVERIFY(host && port && station);
    QCOMPARE(host->text(), QStringLiteral("office-pc"));
    QCOMPARE(port->value(), ServerSettings::defaultPort);
    QCOMPARE(station->placeholderText(), QSysInfo::machineHostName());
    host->setText(QStringLiteral("10.0.0.5"));
    station->setText(QStringLiteral("二号门"));
    QSignalSpy saved(&window, &StationSettings::saved);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("save")), Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(saved.size(), 1);
    ServerSettings expected = first;
    expected.host = QStringLiteral("10.0.0.5");
    expected.station = QStringLiteral("二号门");
    QCOMPARE(readServerSettings(file), expected);

    StationSettings again(file);
    QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("stationName"))->text(),
        QStringLiteral("二号门"));
    again.findChild<QLineEdit*>(QStringLiteral("serverHost"))->clear();
    QTest::mouseClick(again.findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QCOMPARE(readServerSettings(file), expected);
}

void TestStationSettings::anUnwritableFileIsSaidAndTheWindowStays()
{
    // A file where the configuration folder should be stops root too.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    QFile blocking(blocker);
    QVERIFY(blocking.open(QIODevice::WriteOnly));
    const QString file = blocker + QStringLiteral("/quorvane.ini");
    StationSettings window(file);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("serverHost"))->setText(QStringLiteral("10.0.0.5"));
    QSignalSpy saved(&window, &StationSettings::saved);
    m_answers.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("save")), Qt::LeftButton);
    QCOMPARE(m_answers.texts(), QStringList { QStringLiteral("设置文件“%1”无法写入").arg(file) });
    QCOMPARE(m_answers.shown[0].kind, MessageKind::Warning);
    QCOMPARE(m_answers.shown[0].title, window.windowTitle());
    QCOMPARE(saved.size(), 0);
    QVERIFY(window.isVisible());
}

// An administrator may copy the certificate beside the configuration file
// and name it alone.
void TestStationSettings::certificateIsChosenSavedAndFoundBesideTheFile()
{
    const QString folder = m_dir.filePath(QStringLiteral("certificate"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = settingsFilePath(folder);
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue(QStringLiteral("history_server/host"), QStringLiteral("10.0.0.5"));
        raw.setValue(
            QStringLiteral("history_server/certificate"), QStringLiteral("yard-server.crt"));
    }
    const QString beside = QDir(folder).filePath(QStringLiteral("yard-server.crt"));
    QCOMPARE(readServerSettings(file).certificate, beside);

    StationSettings window(file);
    auto* certificate = window.findChild<QLineEdit*>(QStringLiteral("serverCertificate"));
    QVERIFY(certificate);
    QCOMPARE(certificate->text(), beside);
    QStringList asked;
    QString answer = QStringLiteral("/media/u盘/场站 证书.crt");
    window.setCertificateChooser([&](QWidget*, const QString& start) {
        asked << start;
        return answer;
    });
    auto* choose = window.findChild<QPushButton*>(QStringLiteral("chooseCertificate"));
    QVERIFY(choose);
    QCOMPARE(choose->text(), QStringLiteral("选择…"));
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(asked, QStringList { beside });
    QCOMPARE(certificate->text(), answer);
    // Cancelled in the dialog: the field keeps its file.
    answer.clear();
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(certificate->text(), QStringLiteral("/media/u盘/场站 证书.crt"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("save")), Qt::LeftButton);
    QCOMPARE(readServerSettings(file).certificate, QStringLiteral("/media/u盘/场站 证书.crt"));
}

void TestStationSettings::testConnectionNamesTheCause_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("certificate");
    QTest::addColumn<QString>("expected");
    // Nothing listens on port 1 of this machine.
    ServerSettings refused;
    refused.host = QStringLiteral("127.0.0.1");
    refused.port = 1;
    refused.database = QStringLiteral("yard");
    const QString certificate = m_dir.filePath(QStringLiteral("some.crt"));
    QTest::newRow("A server that does not answer is named unreachable")
        << refused.host << certificate
        << historyFailureMessage(Failure(FailureCause::Unreachable, refused.location()));
    QTest::newRow("A server over TCP without a certificate chosen is not tried")
        << refused.host << ""
        << historyFailureMessage(Failure(FailureCause::CertificateMissing, refused.location()));
    QTest::newRow("A certificate file that is gone is said")
        << refused.host << m_dir.filePath(QStringLiteral("gone.crt"))
        << historyFailureMessage(Failure(FailureCause::CertificateMissing, refused.location()));
    QTest::newRow("A certificate anyone may rewrite is not trusted")
        << refused.host << m_dir.filePath(QStringLiteral("open.crt"))
        << historyFailureMessage(Failure(FailureCause::CertificateMissing, refused.location()));
    QTest::newRow("No server typed is said so") << ""
                                                << ""
                                                << "没有填写服务器";
}

void TestStationSettings::testConnectionNamesTheCause()
{
    QFETCH(QString, host);
    QFETCH(QString, certificate);
    QFETCH(QString, expected);
    for (const char* name : { "some.crt", "open.crt" }) {
        QFile file(m_dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile open(m_dir.filePath(QStringLiteral("open.crt")));
    QVERIFY(open.setPermissions(open.permissions() | QFile::WriteOther));
    StationSettings window(m_dir.filePath(QStringLiteral("unused.ini")));
    window.findChild<QLineEdit*>(QStringLiteral("serverHost"))->setText(host);
    window.findChild<QLineEdit*>(QStringLiteral("serverCertificate"))->setText(certificate);
    window.findChild<QSpinBox*>(QStringLiteral("serverPort"))->setValue(1);
    window.findChild<QLineEdit*>(QStringLiteral("serverDatabase"))->setText(QStringLiteral("yard"));
    auto* test = window.findChild<QPushButton*>(QStringLiteral("testConnection"));
    QTest::mouseClick(test, Qt::LeftButton);
    auto* result = window.findChild<QLabel*>(QStringLiteral("connectionResult"));
    QTRY_COMPARE_WITH_TIMEOUT(
        result->text(), expected, 3 * PostgresHistoryStore::connectTimeoutS * 1000);
    QVERIFY(test->isEnabled());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("unused.ini"))));
}

void TestStationSettings::everyHostButOneSocketFolderGoesOverTls_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("tls");
    QTest::addColumn<bool>("saved");
    QTest::newRow("One socket folder needs no TLS") << "/run/postgresql" << false << true;
    QTest::newRow("An address goes over TLS") << "10.0.0.5" << true << true;
    QTest::newRow("A list of addresses goes over TLS") << "10.0.0.5,10.0.0.6" << true << true;
    QTest::newRow("A list of socket folders goes over TLS") << "/run/a,/run/b" << true << true;
    QTest::newRow("A folder and an address together are refused")
        << "/run/postgresql,127.0.0.1" << true << false;
    QTest::newRow("An address and an abstract socket together are refused")
        << "10.0.0.5, @yard" << true << false;
}

void TestStationSettings::everyHostButOneSocketFolderGoesOverTls()
{
    QFETCH(QString, host);
    QFETCH(bool, tls);
    QFETCH(bool, saved);
    const QString file = m_dir.filePath(QStringLiteral("hosts.ini"));
    QFile::remove(file);
    m_answers.shown.clear();
    StationSettings window(file);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("serverHost"))->setText(host);
    QCOMPARE(window.settings().usesTls(), tls);
    if (!saved)
        m_answers.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("save")), Qt::LeftButton);
    QCOMPARE(readServerSettings(file).host, saved ? host : QString());
    QCOMPARE(m_answers.texts(),
        saved ? QStringList()
              : QStringList {
                  QStringLiteral("服务器一栏不能同时填写本机的文件夹和网络地址，请只填其中一种") });
    QCOMPARE(window.isVisible(), !saved);
}

void TestStationSettings::recordsTheServerRefusedAreShown()
{
    StationSettings window(m_dir.filePath(QStringLiteral("refused.ini")));
    window.show();
    auto* refused = window.findChild<QLabel*>(QStringLiteral("refusedRecords"));
    QVERIFY(refused);
    QVERIFY(!refused->isVisible());
    const QString notice
        = RefusedRecords { 2, QStringLiteral("有文字超过了服务器允许的长度") }.notice();
    QCOMPARE(notice, QStringLiteral("服务器拒收了 2 条记录：有文字超过了服务器允许的长度"));
    window.showRefused(notice);
    QVERIFY(refused->isVisible());
    QCOMPARE(refused->text(), notice);
    window.showRefused({});
    QVERIFY(!refused->isVisible());
}

QTEST_MAIN(TestStationSettings)
#include "test_station_settings.moc"
