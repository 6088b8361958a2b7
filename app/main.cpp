#include "tally_window/form1.h"
#include "unit_prices/price_files.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    Form1 window({ QCoreApplication::applicationDirPath(), defaultPriceFolder() });
    window.show();
    return app.exec();
}
