#include "records/libreoffice/office_environment.h"

#include <QStringList>
#include <clocale>
#include <locale.h>

namespace {

const QString universalUtf8 = QStringLiteral("C.UTF-8");

bool isLocaleVariable(const QString& name)
{
    return name == QLatin1String("LANG") || name == QLatin1String("LANGUAGE")
        || name.startsWith(QLatin1String("LC_"));
}

void removeLocaleVariables(QProcessEnvironment& environment)
{
    for (const QString& name : environment.keys())
        if (isLocaleVariable(name))
            environment.remove(name);
}

// An empty variable selects nothing, yet an empty LC_ALL would still stand
// above the LC_MESSAGES we add; none is passed on.
void removeEmptyLocaleVariables(QProcessEnvironment& environment)
{
    for (const QString& name : environment.keys())
        if (isLocaleVariable(name) && environment.value(name).isEmpty())
            environment.remove(name);
}

bool systemHasLocale(const char* name)
{
    const locale_t probe = newlocale(LC_CTYPE_MASK, name, locale_t(0));
    if (probe == locale_t(0))
        return false;
    freelocale(probe);
    return true;
}

} // namespace

bool localeIsUtf8(const QProcessEnvironment& environment)
{
    QString selected;
    for (const char* name : { "LC_ALL", "LC_CTYPE", "LANG" }) {
        selected = environment.value(QLatin1String(name));
        if (!selected.isEmpty())
            break;
    }
    const QString codeset = selected.section(QLatin1Char('.'), 1).section(QLatin1Char('@'), 0, 0);
    return codeset.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0
        || codeset.compare(QLatin1String("utf8"), Qt::CaseInsensitive) == 0;
}

QProcessEnvironment headlessOfficeEnvironment(const QProcessEnvironment& base)
{
    QProcessEnvironment environment = base;
    removeLocaleVariables(environment);
    environment.insert(QStringLiteral("LANG"), universalUtf8);
    environment.insert(QStringLiteral("LC_ALL"), universalUtf8);
    return environment;
}

QProcessEnvironment desktopOfficeEnvironment(const QProcessEnvironment& base)
{
    QProcessEnvironment environment = base;
    removeEmptyLocaleVariables(environment);
    if (!localeIsUtf8(base)) {
        removeLocaleVariables(environment);
        environment.insert(QStringLiteral("LANG"), universalUtf8);
    }
    // The office speaks the language of LC_MESSAGES: Chinese, like the rest
    // of the program, where the system has the Chinese locale. LC_ALL would
    // override it, so its value moves to LANG.
    if (!systemHasLocale("zh_CN.UTF-8"))
        return environment;
    const QString all = environment.value(QStringLiteral("LC_ALL"));
    if (!all.isEmpty()) {
        environment.remove(QStringLiteral("LC_ALL"));
        environment.insert(QStringLiteral("LANG"), all);
    }
    environment.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("zh_CN.UTF-8"));
    return environment;
}
