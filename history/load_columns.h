#pragma once

// A load as the store writes it and reads it back whole: the columns in one
// order, shared by the insert and the read, and each column's value.

#include "history/load_query.h"
#include "history/load_record.h"

#include <QVariant>
#include <QVector>

// Every column but the id, in the order written.
const QVector<LoadColumn>& storedColumns();
// "recorded_at, day, ..." for the columns given.
QString columnListSql(const QVector<LoadColumn>& columns);
// The same columns as a read takes them: every text at most storedTextLength
// long, the detail one past detailLength (so a longer one shows).
QString boundedColumnListSql(const QVector<LoadColumn>& columns);

QVariant storedValue(const LoadRecord& load, LoadColumn column);
// False when the stored text does not read (the time, the detail).
bool readStoredValue(LoadRecord& load, LoadColumn column, const QVariant& value);
