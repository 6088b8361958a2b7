#pragma once

#include <QString>

// What a workbook command asks of the window.
class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;
    virtual void showMessage(const QString& text) = 0;
    virtual void focusTotalVolume() = 0;
    // A question with the buttons 是 and 否; true for 是.
    virtual bool askYesNo(const QString& question) = 0;
};
