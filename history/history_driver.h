#pragma once

// What differs between the databases a store sits on: the few statements
// whose SQL differs, and how the driver's errors read. One object per
// database; the store's functions hold no branch on which one it is.

#include "support/failure_text.h"

#include <QStringList>

class QSqlError;
class QSqlQuery;

class HistoryDriver {
public:
    virtual ~HistoryDriver() = default;

    // Qt's name of the driver, e.g. "QSQLITE".
    virtual QString qtDriverName() const = 0;
    // The id column of a new table, put in for {id_column} in the schema.
    virtual QString idColumn() const = 0;
    // Begins the transaction of a schema step, which one program at a time runs.
    virtual QStringList beginSchemaStep() const = 0;
    // Whether the server's own step of a version (schema/server/N.sql:
    // the limits a server holds every station to) is applied after the
    // step all stores take.
    virtual bool takesServerSteps() const = 0;
    // One row, true when the table named by the one bound value exists
    // where unqualified names are found.
    virtual QString tableExistsSql() const = 0;
    // Added to an insert so that it gives the new row's id, and the id read
    // back from the executed insert.
    virtual QString insertedIdClause() const = 0;
    virtual qint64 insertedId(QSqlQuery& insert) const = 0;
    // A failed statement on the store at `location`, as the error a message names.
    virtual Failure classify(const QSqlError& error, const QString& location) const = 0;
};
