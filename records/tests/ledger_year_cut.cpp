// Runs a new year's step on the ledger given and ends the process at the
// point given, its office with it, as a power cut would.

#include "office_fixture.h"
#include "records/ledger_year.h"

#include <QCoreApplication>
#include <csignal>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3)
        return 2;
    LibreOfficeSpreadsheet office(testOfficeSettings(QStringLiteral("ledger-year-cut"), nullptr));
    LedgerYearStep step(office, arguments[1]);
    const QString cutAt = arguments[2];
    step.passing = [&](const QString& point) {
        if (point != cutAt)
            return;
        if (const qint64 pid = office.officePid(); pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        ::_exit(99);
    };
    step.run(LedgerYearStep::Kind::NewYear, 2026, QDate(2027, 1, 1));
    return 1;
}
