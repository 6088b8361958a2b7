// The phase log of a bill through the real office and the bill's own
// window: off unless asked for, and then every phase of the press is there.

#include "fault_fixture.h"
#include "support/event_log.h"
#include "support/phase_log.h"
#include "test_answers.h"

class TestPhaseLog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void aBillLogsEveryPhaseOnlyWhenAsked();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QTemporaryDir m_folder;
};

void TestPhaseLog::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("phase-log"), nullptr));
    m_office->warmUp();
}

void TestPhaseLog::aBillLogsEveryPhaseOnlyWhenAsked()
{
    const QString log = m_folder.filePath(QStringLiteral("quorvane.log"));
    openEventLog(log);
    const auto logged = [&log] {
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    };
    FaultTally tally(*m_office);
    BillPreview& preview = tally.program().billPreview();
    tally.typeLoad();
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok); // the first press's reminder
    QVERIFY(!phaseLogOn());
    tally.click(printBill);
    QTRY_VERIFY_WITH_TIMEOUT(preview.isVisible() && !preview.page().isNull(), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(logged().contains(QStringLiteral("bill export")), 10000);
    QVERIFY2(!logged().contains(QStringLiteral("phase ")), qPrintable(logged()));

    preview.hide();
    setPhaseLog(true);
    tally.click(printBill);
    QTRY_VERIFY_WITH_TIMEOUT(logged().contains(QStringLiteral("preview first paint")), 60000);
    // The bill's .xls copy follows its page on screen.
    QTRY_VERIFY_WITH_TIMEOUT(logged().contains(QStringLiteral("archive copies")), 60000);
    setPhaseLog(false);
    openEventLog(QString());
    const QString text = logged();
    for (const char* phase : { "bill export: office pass", "bill export: open",
             "bill export: cell writes", "bill export: xls store", "bill export: font and language",
             "bill export: archive copies", "bill export: xls copy", "bill export: pdf export",
             "bill preview: preview load", "bill preview: preview first paint" })
        QVERIFY2(text.contains(QStringLiteral("phase %1 ").arg(QLatin1String(phase))),
            qPrintable(QStringLiteral("no %1 in:\n%2").arg(QLatin1String(phase), text)));
}

QTEST_MAIN(TestPhaseLog)
#include "test_phase_log.moc"
