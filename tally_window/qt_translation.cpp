#include "tally_window/qt_translation.h"

#include "support/event_log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtChinese(QCoreApplication& app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder)
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        logEvent(QStringLiteral(
            "warning: qtbase_zh_CN.qm not loaded from %1, Qt's own texts stay English")
                     .arg(folder));
        return false;
    }
    return true;
}
