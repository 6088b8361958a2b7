// The office's shared folders that another user's office left closed are
// found at start and named with the administrator's command. Root enters
// every folder: CTest runs this as an ordinary user.

#include "records/libreoffice/office_folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestOfficeFolders : public QObject {
    Q_OBJECT

private slots:
    void closedSharedFoldersAreNamedWithTheRemedy_data();
    void closedSharedFoldersAreNamedWithTheRemedy();
};

void TestOfficeFolders::closedSharedFoldersAreNamedWithTheRemedy_data()
{
    QTest::addColumn<QString>("closed"); // under share/uno_packages; empty: none
    QTest::newRow("folders every user can enter are not named") << "";
    QTest::newRow("a closed cache is named") << "cache";
    QTest::newRow("a closed folder of the extensions is named") << "cache/uno_packages";
}

void TestOfficeFolders::closedSharedFoldersAreNamedWithTheRemedy()
{
    QFETCH(QString, closed);
    QTemporaryDir office;
    const QString shared = office.filePath(QStringLiteral("share/uno_packages"));
    QVERIFY(QDir().mkpath(office.filePath(QStringLiteral("program"))));
    QVERIFY(QDir().mkpath(shared + QStringLiteral("/cache/uno_packages")));
    const QString folder = QDir(shared).filePath(closed);
    if (!closed.isEmpty())
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions()));
    const QStringList found = officeFoldersClosedToUs(office.filePath(QStringLiteral("program")));
    if (!closed.isEmpty())
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (closed.isEmpty()) {
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u' ')));
        return;
    }
    const QString real = QFileInfo(folder).canonicalFilePath();
    QCOMPARE(found, QStringList { real });
    const QString message = closedOfficeFoldersMessage(found);
    QVERIFY2(message.contains(QStringLiteral("请让管理员执行：sudo chmod -R a+rX '%1'").arg(real)),
        qPrintable(message));
}

QTEST_MAIN(TestOfficeFolders)
#include "test_office_folders.moc"
