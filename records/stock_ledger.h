#pragma once

// The stock ledger workbook 木材出入库台账.xls in the program's folder: the
// species list at start, one posting row per stock-in or stock-out press,
// and showing the ledger to the user.

#include "records/workbook.h"

#include <QStringList>
#include <array>
#include <functional>

QString ledgerPath(const QString& programFolder);

// The eight entries of K5:K12 of the sheet "库存", in sheet order.
// Tried again once with a new office when the office hung or died.
QStringList loadSpeciesList(Spreadsheet& app, const QString& path, bool restartAllowed = true);

// What a posting reads from the tally window.
struct PostingFields {
    QString species; // Combo3
    std::array<QString, 3> groupVolumes; // Text18(0..2)
    std::array<QString, 3> unitPrices; // Text19(0..2)
    QString totalVolume; // Text18(3)
};

// What a workbook command asks of the window.
class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;
    virtual void showMessage(const QString& text) = 0;
    virtual void focusTotalVolume() = 0;
};

class StockPosting {
public:
    enum class Sheet { StockIn = 1, StockOut = 2 };

    StockPosting(Spreadsheet& app, QString path, Sheet sheet, CommandPrompts& prompts);

    // One press of the button. Returns the row written, or 0.
    int press(const std::function<PostingFields()>& readFields);

    qint16 pressCount() const { return m_pressCount; }

private:
    int attempt(const std::function<PostingFields()>& readFields, bool restartAllowed);
    void post(const PostingFields& fields, int& row, bool& saved);

    Spreadsheet& m_app;
    QString m_path;
    Sheet m_sheet;
    CommandPrompts& m_prompts;
    qint16 m_pressCount = 0;
};

// Shows the ledger to the user; a message says why when it cannot.
void viewStock(Spreadsheet& app, const QString& path, CommandPrompts& prompts);
