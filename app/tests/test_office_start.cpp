// The background office starts with the umask an ordinary program gets,
// while the program's own files stay private; an office that is there but
// fails to start is told apart from one that is missing.

#include "app/private_files.h"
#include "office_fixture.h"
#include "support/event_log.h"
#include "support/failure_text.h"

#include <QDirIterator>
#include <QTest>
#include <sys/stat.h>

namespace {

const QString installedOffice = QStringLiteral("/usr/lib/libreoffice");

// The umask line of a process's status, e.g. "0022".
QString umaskOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("Umask:"))
            return QString::fromLatin1(line.mid(6).trimmed());
    return {};
}

int permissionsOf(const QString& path)
{
    struct stat entry;
    return ::stat(QFile::encodeName(path).constData(), &entry) == 0 ? int(entry.st_mode & 07777)
                                                                    : -1;
}

// The installed office, each entry a link, except `replaced` in its program
// folder, which is a script of the given text or, when empty, absent.
bool mirrorOffice(const QString& root, const QString& replaced, const QByteArray& script)
{
    QDir().mkpath(root + QStringLiteral("/program"));
    for (const QString& entry :
        QDir(installedOffice).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (entry != QLatin1String("program")
            && !QFile::link(QDir(installedOffice).filePath(entry), QDir(root).filePath(entry)))
            return false;
    const QDir program(installedOffice + QStringLiteral("/program"));
    for (const QString& entry : program.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = root + QStringLiteral("/program/") + entry;
        if (entry == replaced) {
            if (script.isEmpty())
                continue;
            QFile file(target);
            if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
                return false;
            file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        } else if (!QFile::link(program.filePath(entry), target)) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestOfficeStart : public QObject {
    Q_OBJECT

private slots:
    void officeGetsTheOrdinaryUmaskAndOurFilesStayPrivate();
    void anOfficeThatFailsIsNotCalledMissing_data();
    void anOfficeThatFailsIsNotCalledMissing();
};

void TestOfficeStart::officeGetsTheOrdinaryUmaskAndOurFilesStayPrivate()
{
    makeNewFilesPrivate();
    QTemporaryDir folder;
    const QString data = folder.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(data));
    openEventLog(QDir(data).filePath(QStringLiteral("quorvane.log")));
    logEvent(QStringLiteral("start"));
    OfficeSettings settings = testOfficeSettings(QStringLiteral("umask"), nullptr);
    settings.profileFolder = folder.filePath(QStringLiteral("cache/office-profile"));
    LibreOfficeSpreadsheet office(settings);
    office.warmUp();
    QVERIFY(office.officePid() > 0);
    QCOMPARE(umaskOf(office.officePid()), QStringLiteral("0022"));
    QCOMPARE(umaskOf(QCoreApplication::applicationPid()), QStringLiteral("0077"));
    logEvent(QStringLiteral("office up"));
    QCOMPARE(permissionsOf(data), 0700);
    QCOMPARE(permissionsOf(QDir(data).filePath(QStringLiteral("quorvane.log"))), 0600);
    // The office's own profile: the folder we made for it stays ours alone.
    QCOMPARE(permissionsOf(settings.profileFolder), 0700);
    QCOMPARE(permissionsOf(QFileInfo(settings.profileFolder).absolutePath()), 0700);
    openEventLog(QString());
}

void TestOfficeStart::anOfficeThatFailsIsNotCalledMissing_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("said");
    QTest::newRow("an office that aborts as it starts failed to start")
        << QByteArray("#!/bin/sh\nkill -ABRT $$\n") << QStringLiteral("电子表格程序启动失败");
    QTest::newRow("an office that exits at once failed to start")
        << QByteArray("#!/bin/sh\nexit 1\n") << QStringLiteral("电子表格程序启动失败");
    QTest::newRow("an office whose program is gone is missing")
        << QByteArray() << QStringLiteral("找不到电子表格程序");
}

void TestOfficeStart::anOfficeThatFailsIsNotCalledMissing()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, said);
    QTemporaryDir folder;
    const QString root = folder.filePath(QStringLiteral("libreoffice"));
    QVERIFY(mirrorOffice(root, QStringLiteral("soffice.bin"), script));
    OfficeSettings settings;
    settings.programFolder = root + QStringLiteral("/program");
    settings.profileFolder = folder.filePath(QStringLiteral("profile"));
    settings.startSeconds = 30;
    LibreOfficeSpreadsheet office(settings);
    try {
        office.warmUp();
        QFAIL("the office started");
    } catch (const Failure& error) {
        QVERIFY2(failureMessage(error).startsWith(said),
            qPrintable(failureMessage(error) + u' ' + error.detail()));
    }
}

QTEST_MAIN(TestOfficeStart)
#include "test_office_start.moc"
