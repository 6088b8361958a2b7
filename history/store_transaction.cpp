#include "history/store_transaction.h"

#include "history/history_driver.h"

#include <QSqlError>
#include <QSqlQuery>

StoreTransaction::StoreTransaction(
    QSqlDatabase db, const HistoryDriver& driver, QString location, const QStringList& begin)
    : m_db(std::move(db))
    , m_driver(driver)
    , m_location(std::move(location))
{
    QSqlQuery query(m_db);
    for (const QString& statement : begin) {
        if (!query.exec(statement))
            fail(query.lastError());
        m_open = true;
    }
}

StoreTransaction::~StoreTransaction()
{
    if (m_open)
        m_db.rollback();
}

void StoreTransaction::commit()
{
    if (!m_db.commit())
        fail(m_db.lastError());
    m_open = false;
}

void StoreTransaction::fail(const QSqlError& error)
{
    const Failure failure = m_driver.classify(error, m_location);
    if (m_open)
        m_db.rollback();
    m_open = false;
    throw failure;
}
