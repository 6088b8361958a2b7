// The yard's files move from the data folder of the last version to the
// documents folder once: every file arrives whole, nothing there is ever
// overwritten, and a move that fails anywhere leaves every old file in
// place and the new folder as it was. Runs as an ordinary user (root
// ignores the read-only folders some cases need).

#include "records/workbook_folder.h"
#include "records/workbook_move.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

const QString ledger = QStringLiteral("木材出入库台账.xls");
const QString bill = QStringLiteral("木材账单.xls");
const QString archivedXls = QStringLiteral("账单/2026-12-09-001.xls");
const QString archivedPdf = QStringLiteral("账单/2026-12-09-001.pdf");

QString templates()
{
    return qEnvironmentVariable("QUORVANE_WORKBOOKS", QStringLiteral(QUORVANE_WORKBOOKS));
}

void write(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(QDir(folder).filePath(name)).path());
    QFile file(QDir(folder).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray read(const QString& folder, const QString& name)
{
    QFile file(QDir(folder).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file under `folder` with its content.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir root(folder);
    for (const QString& name : root.entryList(QDir::Files | QDir::Hidden))
        files.insert(name, read(folder, name));
    for (const QString& sub : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (auto [name, bytes] : contents(root.filePath(sub)).asKeyValueRange())
            files.insert(sub + u'/' + name, bytes);
    return files;
}

// The data folder of the last version: both workbooks, a bill in the
// archive and the files that stay (history, log).
void lastVersion(const QString& data)
{
    write(data, ledger, "ledger of the last version");
    write(data, bill, "bill workbook");
    write(data, archivedXls, "archived bill");
    write(data, archivedPdf, "archived bill as PDF");
    write(data, QStringLiteral("quorvane.sqlite"), "history");
    write(data, QStringLiteral("quorvane.log"), "log");
}

const QMap<QString, QByteArray> stays = { { QStringLiteral("quorvane.log"), "log" },
    { QStringLiteral("quorvane.sqlite"), "history" } };

} // namespace

class TestWorkbookMove : public QObject {
    Q_OBJECT

private slots:
    void init();
    void aMoveTakesEveryYardFileAndLeavesTheRest_data();
    void aMoveTakesEveryYardFileAndLeavesTheRest();
    void aDifferentFileThereStopsTheMoveBeforeAnyCopy();
    void aMoveThatFailsHalfWayLeavesEverythingWhereItWas();
    void aReadOnlyOldFolderStopsTheMoveBeforeAnyCopy();
    void theStartSaysWhereTheFilesAre();
    void aProgramInItsOwnFolderKeepsItsWorkbooksBesideItself();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_data;
    QString m_documents;
    QString m_target;
};

void TestWorkbookMove::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_data = m_home->filePath(QStringLiteral(".local/share/Quorvane"));
    m_documents = m_home->filePath(QStringLiteral("文档"));
    m_target = QDir(m_documents).filePath(QStringLiteral("Quorvane"));
    QDir().mkpath(m_data);
}

void TestWorkbookMove::aMoveTakesEveryYardFileAndLeavesTheRest_data()
{
    QTest::addColumn<QStringList>("alreadyThere");
    QTest::newRow("every file is copied to a folder made for it") << QStringList();
    QTest::newRow("files a broken-off move already copied count as moved")
        << QStringList { ledger, archivedXls };
}

void TestWorkbookMove::aMoveTakesEveryYardFileAndLeavesTheRest()
{
    QFETCH(QStringList, alreadyThere);
    lastVersion(m_data);
    const QMap<QString, QByteArray> yard = [&] {
        auto files = contents(m_data);
        for (const QString& name : stays.keys())
            files.remove(name);
        return files;
    }();
    for (const QString& name : alreadyThere)
        write(m_target, name, read(m_data, name));

    const WorkbookMove move = moveYardFiles(m_data, m_target);
    QCOMPARE(move.outcome, WorkbookMove::Outcome::Moved);
    QCOMPARE(move.moved, QStringList(yard.keys()));
    QCOMPARE(contents(m_target), yard);
    QCOMPARE(contents(m_data), stays);
    QVERIFY2(!QFileInfo::exists(QDir(m_data).filePath(QStringLiteral("账单"))),
        "the empty archive folder goes");
    if (alreadyThere.isEmpty())
        QCOMPARE(QFileInfo(m_target).permissions() & QFile::ReadOther, QFile::Permissions());
    QCOMPARE(moveYardFiles(m_data, m_target).outcome, WorkbookMove::Outcome::NothingToMove);
}

void TestWorkbookMove::aDifferentFileThereStopsTheMoveBeforeAnyCopy()
{
    lastVersion(m_data);
    write(m_target, archivedPdf, "another bill of that number");
    const auto before = contents(m_data);

    const WorkbookMove move = moveYardFiles(m_data, m_target);
    QCOMPARE(move.outcome, WorkbookMove::Outcome::Failed);
    QVERIFY2(move.cause.contains(QStringLiteral("2026-12-09-001.pdf")), qPrintable(move.cause));
    QCOMPARE(contents(m_data), before);
    QCOMPARE(contents(m_target),
        (QMap<QString, QByteArray> { { archivedPdf, "another bill of that number" } }));
}

void TestWorkbookMove::aMoveThatFailsHalfWayLeavesEverythingWhereItWas()
{
    if (::geteuid() == 0)
        QSKIP("root ignores the read-only folder");
    lastVersion(m_data);
    const auto before = contents(m_data);
    // The workbooks copy; the archive's folder takes nothing.
    const QString archive = QDir(m_target).filePath(QStringLiteral("账单"));
    QVERIFY(QDir().mkpath(archive));
    QFile::setPermissions(archive, QFile::ReadOwner | QFile::ExeOwner);

    const WorkbookMove move = moveYardFiles(m_data, m_target);
    QFile::setPermissions(archive, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(move.outcome, WorkbookMove::Outcome::Failed);
    QVERIFY2(move.cause.contains(QStringLiteral("2026-12-09-001")), qPrintable(move.cause));
    QCOMPARE(contents(m_data), before);
    QCOMPARE(contents(m_target), (QMap<QString, QByteArray> {}));
    QVERIFY(QFileInfo::exists(archive));
}

void TestWorkbookMove::aReadOnlyOldFolderStopsTheMoveBeforeAnyCopy()
{
    if (::geteuid() == 0)
        QSKIP("root ignores the read-only folder");
    lastVersion(m_data);
    const auto before = contents(m_data);
    QFile::setPermissions(m_data, QFile::ReadOwner | QFile::ExeOwner);

    const WorkbookFolderChoice choice = installedWorkbookFolder(templates(), m_data, m_documents);
    QFile::setPermissions(m_data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(choice.folder, m_data);
    QVERIFY2(choice.notice.startsWith(
                 QStringLiteral("出入库台账和账单没能移到文件夹“%1”").arg(m_target)),
        qPrintable(choice.notice));
    QVERIFY2(choice.notice.contains(QStringLiteral("它们仍在文件夹“%1”中").arg(m_data)),
        qPrintable(choice.notice));
    QCOMPARE(contents(m_data), before);
    QVERIFY(!QFileInfo::exists(m_documents));
}

void TestWorkbookMove::theStartSaysWhereTheFilesAre()
{
    const WorkbookFolderChoice first = installedWorkbookFolder(templates(), m_data, m_documents);
    QCOMPARE(first.folder, m_target);
    QCOMPARE(first.notice, QStringLiteral("出入库台账和账单保存在文件夹“%1”中。").arg(m_target));
    QCOMPARE(read(m_target, ledger), read(templates(), ledger));
    QCOMPARE(read(m_target, bill), read(templates(), bill));
    write(m_target, ledger, "posted to");

    const WorkbookFolderChoice later = installedWorkbookFolder(templates(), m_data, m_documents);
    QCOMPARE(later.folder, m_target);
    QCOMPARE(later.notice, QString());
    QCOMPARE(read(m_target, ledger), QByteArray("posted to"));

    QDir(m_target).removeRecursively();
    lastVersion(m_data);
    const WorkbookFolderChoice upgrade = installedWorkbookFolder(templates(), m_data, m_documents);
    QCOMPARE(upgrade.folder, m_target);
    QCOMPARE(upgrade.notice,
        QStringLiteral("出入库台账和账单已从文件夹“%1”移到文件夹“%2”中。").arg(m_data, m_target));
    QCOMPARE(read(m_target, ledger), QByteArray("ledger of the last version"));
}

void TestWorkbookMove::aProgramInItsOwnFolderKeepsItsWorkbooksBesideItself()
{
    const QString program = m_home->filePath(QStringLiteral("build/app"));
    lastVersion(m_data);
    const WorkbookFolderChoice choice = chooseWorkbookFolder(program, m_data, m_documents);
    QCOMPARE(choice.folder, program);
    QCOMPARE(choice.notice, QString());
    QVERIFY(!QFileInfo::exists(m_documents));
    QCOMPARE(read(m_data, ledger), QByteArray("ledger of the last version"));
}

QTEST_GUILESS_MAIN(TestWorkbookMove)
#include "test_workbook_move.moc"
