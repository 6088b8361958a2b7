#include "records/libreoffice/office_environment.h"

#include <QTest>
#include <locale.h>

// Run twice by CTest: once where the system has the Chinese locale and once
// where it has none, since the desktop office's environment depends on it.
// QUORVANE_CHINESE_LOCALE says which run this is, so a locale that could not
// be made or hidden fails here instead of passing unseen.
class TestOfficeEnvironment : public QObject {
    Q_OBJECT

private slots:
    void theRunHasTheLocaleItExpects();
    void officeLocaleIsUtf8WhateverTheUsers_data();
    void officeLocaleIsUtf8WhateverTheUsers();

private:
    static bool chineseLocaleExpected();
    static QString characterLocale(const QProcessEnvironment& environment);
};

bool TestOfficeEnvironment::chineseLocaleExpected()
{
    return qEnvironmentVariable("QUORVANE_CHINESE_LOCALE") == QLatin1String("yes");
}

// The locale whose character set the office reads file names with.
QString TestOfficeEnvironment::characterLocale(const QProcessEnvironment& environment)
{
    for (const char* name : { "LC_ALL", "LC_CTYPE", "LANG" })
        if (!environment.value(QLatin1String(name)).isEmpty())
            return environment.value(QLatin1String(name));
    return {};
}

void TestOfficeEnvironment::theRunHasTheLocaleItExpects()
{
    QVERIFY2(qEnvironmentVariableIsSet("QUORVANE_CHINESE_LOCALE"), "run through CTest");
    const locale_t chinese = newlocale(LC_CTYPE_MASK, "zh_CN.UTF-8", locale_t(0));
    const bool present = chinese != locale_t(0);
    if (present)
        freelocale(chinese);
    QCOMPARE(present, chineseLocaleExpected());
}

void TestOfficeEnvironment::officeLocaleIsUtf8WhateverTheUsers_data()
{
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<bool>("usersIsUtf8");
    QTest::addColumn<QString>("desktopCharacters");
    QTest::newRow("LANG=C is not UTF-8") << QStringList { "LANG=C" } << false << "C.UTF-8";
    QTest::newRow("no locale at all is not UTF-8") << QStringList {} << false << "C.UTF-8";
    QTest::newRow("a UTF-8 LANG is kept for the desktop office")
        << QStringList { "LANG=zh_CN.UTF-8" } << true << "zh_CN.UTF-8";
    QTest::newRow("the utf8 spelling counts")
        << QStringList { "LANG=en_US.utf8" } << true << "en_US.utf8";
    QTest::newRow("LC_ALL=C wins over a UTF-8 LANG")
        << QStringList { "LANG=zh_CN.UTF-8", "LC_ALL=C" } << false << "C.UTF-8";
    QTest::newRow("an empty LC_ALL does not count")
        << QStringList { "LC_ALL=", "LC_CTYPE=de_DE.UTF-8@euro" } << true << "de_DE.UTF-8@euro";
    QTest::newRow("an empty LANG beside a UTF-8 LC_ALL is dropped")
        << QStringList { "LANG=", "LC_ALL=en_US.UTF-8", "LC_MESSAGES=" } << true << "en_US.UTF-8";
}

void TestOfficeEnvironment::officeLocaleIsUtf8WhateverTheUsers()
{
    QFETCH(QStringList, variables);
    QFETCH(bool, usersIsUtf8);
    QFETCH(QString, desktopCharacters);
    QProcessEnvironment users;
    users.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin"));
    for (const QString& variable : variables)
        users.insert(
            variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    QCOMPARE(localeIsUtf8(users), usersIsUtf8);

    const QProcessEnvironment headless = headlessOfficeEnvironment(users);
    QCOMPARE(headless.value(QStringLiteral("LC_ALL")), QStringLiteral("C.UTF-8"));
    QCOMPARE(headless.value(QStringLiteral("PATH")), QStringLiteral("/usr/bin"));

    const QProcessEnvironment desktop = desktopOfficeEnvironment(users);
    QVERIFY(localeIsUtf8(desktop));
    QCOMPARE(desktop.value(QStringLiteral("PATH")), QStringLiteral("/usr/bin"));
    for (const QString& name : desktop.keys())
        if (name.startsWith(QLatin1String("LC_")) || name.startsWith(QLatin1String("LANG")))
            QVERIFY2(!desktop.value(name).isEmpty(), qPrintable(name + QLatin1String(" is empty")));
    QCOMPARE(characterLocale(desktop), desktopCharacters);
    // Its menus in Chinese wherever the system can: nothing overrides them.
    if (chineseLocaleExpected()) {
        QCOMPARE(desktop.value(QStringLiteral("LC_MESSAGES")), QStringLiteral("zh_CN.UTF-8"));
        QVERIFY(!desktop.contains(QStringLiteral("LC_ALL")));
    } else {
        QVERIFY(!desktop.contains(QStringLiteral("LC_MESSAGES")));
    }
}

QTEST_GUILESS_MAIN(TestOfficeEnvironment)
#include "test_office_environment.moc"
