#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct Tally;

// What a workbook command asks of the window.
class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;
    virtual void showMessage(const QString& text) = 0;
    virtual void focusTotalVolume() = 0;
    // A question with the buttons 是 and 否; true for 是.
    virtual bool askYesNo(const QString& question) = 0;
    // One of `options` picked by the clerk: its index, or -1 when none was.
    // The first by default.
    virtual int chooseOne(const QString& question, const QStringList& options)
    {
        Q_UNUSED(question);
        return options.isEmpty() ? -1 : 0;
    }
    // Runs `work`, which touches no widget, while the window says `what` is
    // under way and takes no input; here and now by default.
    virtual void whileBusy(const QString& what, const std::function<void()>& work)
    {
        Q_UNUSED(what);
        work();
    }
};

// What the window checks of a tally before a command takes it into the books.
enum class TallyUse { StockIn, StockOut, Bill };
class TallyChecks {
public:
    virtual ~TallyChecks() = default;
    // False when a value of the tally is one the books cannot take; the
    // clerk has been told which.
    virtual bool acceptable(const Tally& tally, TallyUse use) = 0;
    // Asks about what would go in otherwise than typed; false on 否.
    virtual bool confirmed(const Tally& tally, TallyUse use) = 0;
};
