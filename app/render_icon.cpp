// Renders the program's painted icon into PNG files for the package's icon
// theme folders: render_icon FOLDER SIZE... writes
// FOLDER/SIZExSIZE/apps/quorvane.png for each size.

#include "assets/artwork.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    for (const QString& size : args.mid(2)) {
        const int side = size.toInt();
        const QString folder = QDir(args[1]).filePath(QStringLiteral("%1x%1/apps").arg(side));
        if (side <= 0 || !QDir().mkpath(folder)
            || !programIconPicture(side).save(
                QDir(folder).filePath(QStringLiteral("quorvane.png"))))
            return 1;
    }
    return 0;
}
