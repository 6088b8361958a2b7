#pragma once

// What the store's SQL files share: a query run with bound values, and
// sums read exactly whichever database gave them.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <QVector>
#include <optional>

// Executed; inactive when it failed, with its error.
QSqlQuery prepared(const QSqlDatabase& db, const QString& sql, const QVariantList& values,
    bool forwardOnly = true, QSql::NumericalPrecisionPolicy precision = QSql::LowPrecisionDouble);

// A sum as the database gives it: SQLite's an integer, PostgreSQL's a
// numeric (as text, read in high precision), null for no rows. Nothing when
// it leaves the 64-bit range.
std::optional<qint64> exactSum(const QVariant& value);

// The sums of one result row, from `first` on, each exact, or nothing when
// one of them is not.
std::optional<QVector<qint64>> exactSums(const QSqlQuery& query, int first, int count);
