// One program at a time: a later start raises the running one and ends,
// and what a killed program left never keeps the next one from starting.
// A later start runs on a thread of its own here, since it waits for the
// first one's answer while the first one's events run on the main thread.

#include "single_instance.h"

#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Claim = SingleInstance::Claim;

QFuture<Claim> laterStart(
    const QString& folder, std::chrono::milliseconds patience = std::chrono::seconds(10))
{
    return QtConcurrent::run([folder, patience] { return SingleInstance(folder).claim(patience); });
}

// Waits for a later start with the event loop running, so the first can answer.
Claim outcome(QFuture<Claim> start)
{
    if (!QTest::qWaitFor([&] { return start.isFinished(); }, 30000))
        qFatal("a later start did not end");
    return start.result();
}

qint64 pidOf(QProcess& process, const QString& command)
{
    process.start(QStringLiteral("sh"), { QStringLiteral("-c"), command });
    process.waitForReadyRead(10000);
    return process.readLine().trimmed().toLongLong();
}

// A lock file as the program leaves it, naming process `pid` called `name`.
void writeLock(const QString& folder, qint64 pid, const QByteArray& name)
{
    const QString path = SingleInstance::lockPath(folder);
    QByteArrayList lines;
    {
        QLockFile own(path);
        QVERIFY(own.tryLock(0));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        lines = file.readAll().split('\n');
    }
    QVERIFY(lines.size() >= 3);
    lines[0] = QByteArray::number(pid);
    lines[1] = name;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join('\n'));
}

// A socket file nobody listens on any more.
void leaveSocket(const QString& path)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    QCOMPARE(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(descriptor);
    QVERIFY(QFileInfo::exists(path));
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void aLaterStartRaisesTheRunningOneAndEnds();
    void leftoversOfAnEndedProgramDoNotBlockTheNextStart_data();
    void leftoversOfAnEndedProgramDoNotBlockTheNextStart();
    void aLockOfARunningProgramThatDoesNotAnswerEndsTheStart();
    void eachDataFolderHasItsOwnProgram();
    void whatIsNotALockFileDoesNotHoldTheStart_data();
    void whatIsNotALockFileDoesNotHoldTheStart();
};

void TestSingleInstance::aLaterStartRaisesTheRunningOneAndEnds()
{
    QTemporaryDir data;
    SingleInstance first(data.path());
    QCOMPARE(first.claim(), Claim::First);
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    QCOMPARE(outcome(laterStart(data.path())), Claim::AnotherRaised);
    QCOMPARE(raised.size(), 1);
    QCOMPARE(outcome(laterStart(data.path())), Claim::AnotherRaised);
    QCOMPARE(raised.size(), 2);
}

void TestSingleInstance::leftoversOfAnEndedProgramDoNotBlockTheNextStart_data()
{
    QTest::addColumn<bool>("lock");
    QTest::addColumn<bool>("socket");
    QTest::newRow("a killed program's lock and socket are taken over") << true << true;
    QTest::newRow("a killed program's lock alone is taken over") << true << false;
    QTest::newRow("a socket without its lock is taken over") << false << true;
    QTest::newRow("an orderly end leaves nothing in the way") << false << false;
}

void TestSingleInstance::leftoversOfAnEndedProgramDoNotBlockTheNextStart()
{
    QFETCH(bool, lock);
    QFETCH(bool, socket);
    QTemporaryDir data;
    {
        SingleInstance ended(data.path());
        QCOMPARE(ended.claim(), Claim::First);
    }
    QVERIFY(!QFileInfo::exists(SingleInstance::lockPath(data.path())));
    if (lock) {
        QProcess gone;
        const qint64 pid = pidOf(gone, QStringLiteral("echo $$"));
        QVERIFY(gone.waitForFinished(10000));
        writeLock(data.path(), pid, "quorvane");
    }
    if (socket)
        leaveSocket(SingleInstance::socketPath(data.path()));

    SingleInstance next(data.path());
    QCOMPARE(next.claim(std::chrono::seconds(2)), Claim::First);
    QSignalSpy raised(&next, &SingleInstance::raiseRequested);
    QCOMPARE(outcome(laterStart(data.path())), Claim::AnotherRaised);
    QCOMPARE(raised.size(), 1);
}

void TestSingleInstance::aLockOfARunningProgramThatDoesNotAnswerEndsTheStart()
{
    QTemporaryDir data;
    QProcess running;
    const qint64 pid = pidOf(running, QStringLiteral("echo $$; exec sleep 60"));
    QTRY_COMPARE(
        QFileInfo(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget()).fileName(),
        QStringLiteral("sleep"));
    writeLock(data.path(), pid, "sleep");
    QCOMPARE(
        outcome(laterStart(data.path(), std::chrono::milliseconds(500))), Claim::AnotherSilent);
    QVERIFY2(QFileInfo::exists(SingleInstance::lockPath(data.path())),
        "the running one's lock is left alone");
    running.kill();
    running.waitForFinished();
}

void TestSingleInstance::eachDataFolderHasItsOwnProgram()
{
    QTemporaryDir one, other;
    SingleInstance first(one.path());
    QCOMPARE(first.claim(), Claim::First);
    SingleInstance second(other.path());
    QCOMPARE(second.claim(), Claim::First);
    QVERIFY(SingleInstance::socketPath(one.path()) != SingleInstance::socketPath(other.path()));
}

// QLockFile reads a lock it finds to learn its holder: a FIFO blocked that
// read for ever, a link to /dev/zero never ended it.
void TestSingleInstance::whatIsNotALockFileDoesNotHoldTheStart_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("a FIFO at the lock's name is moved aside") << true;
    QTest::newRow("a link to /dev/zero at the lock's name is moved aside") << false;
}

void TestSingleInstance::whatIsNotALockFileDoesNotHoldTheStart()
{
    QFETCH(bool, fifo);
    QTemporaryDir data;
    const QString path = SingleInstance::lockPath(data.path());
    if (fifo)
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    QCOMPARE(outcome(laterStart(data.path(), std::chrono::seconds(2))), Claim::First);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
