#pragma once

// A store's transaction as a guard: begun when made, committed when told,
// rolled back when left otherwise (a failed statement thrown through it).

#include <QSqlDatabase>
#include <QStringList>

class HistoryDriver;

class StoreTransaction {
public:
    // Runs `begin`; throws Failure when it fails.
    StoreTransaction(QSqlDatabase db, const HistoryDriver& driver, QString location,
        const QStringList& begin = { QStringLiteral("BEGIN") });
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    // Throws Failure when the commit fails; it is then rolled back.
    void commit();

private:
    [[noreturn]] void fail(const QSqlError& error);

    QSqlDatabase m_db;
    const HistoryDriver& m_driver;
    QString m_location;
    bool m_open = false;
};
