#pragma once

// What the 往来账 windows work with: where accounts are read and where
// this machine records payments and joins, the office for Excel copies, the
// configuration file, today's date, and the preview that shows statements.

#include <QDate>
#include <QString>
#include <functional>

class HistoryStore;
class Spreadsheet;

struct AccountsContext {
    // Balances and statements: the yard's server when one is set, else this
    // machine's file. Must outlive the windows.
    HistoryStore* reader = nullptr;
    // Where payments and joins are recorded (this machine's file, whose
    // outbox sends them on); null when it cannot be opened.
    HistoryStore* recorder = nullptr;
    Spreadsheet* spreadsheet = nullptr; // writes the statement's Excel copy
    QString settingsFile; // ways of payment, the yard's name, the export folder
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // Where the statements shown in the preview are written: a private
    // folder that lives while the preview may print them. Empty: the
    // window makes one of its own.
    QString statementFolder;
    // Shows a PDF in the preview with its title; false when it could not.
    std::function<bool(const QString& pdf, const QString& title)> showDocument;
    // Asks where to save (caption, suggested name, filter); empty: cancelled.
    std::function<QString(const QString& caption, const QString& name, const QString& filter)>
        askSavePath;
    // Called after a payment or a join was recorded here: it is sent on.
    std::function<void()> recorded = [] {};
};
