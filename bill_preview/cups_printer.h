#pragma once

// The printers of a CUPS scheduler, through its own command-line clients
// (lpstat, lp): the PDF reaches the queue as it is, vector as archived.

#include "bill_preview/printer_queue.h"

#include <optional>

class CupsPrinter : public PrinterQueue {
public:
    // `server` is host:port or a socket path; empty for the system's.
    explicit CupsPrinter(QString server = {});

    QStringList printers() override;
    QString defaultPrinter() override;
    QString problem(const QString& printer) override;
    QString print(const QString& pdf, const QString& printer, int copies) override;

private:
    struct Run {
        bool ok = false;
        QString output;
    };
    Run run(const QString& program, QStringList arguments) const;

    QString m_server;
};
