#pragma once

// The system's printers as the bill preview needs them. The window talks to
// this interface only, so its tests can put a scheduler of their own behind it.

#include <QString>
#include <QStringList>

class PrinterQueue {
public:
    virtual ~PrinterQueue() = default;
    virtual QStringList printers() = 0;
    // Empty when the system names none.
    virtual QString defaultPrinter() = 0;
    // Why the printer cannot take a job now, in Chinese; empty when it can.
    virtual QString problem(const QString& printer) = 0;
    // Sends the PDF as it is, one job per copy; the Chinese reason on
    // failure, empty on success.
    virtual QString print(const QString& pdf, const QString& printer, int copies) = 0;
};
