#pragma once

// The period of a list or a report: two date boxes with their calendars, and
// their captions in a row.

#include <QDate>
#include <QString>

class QDateEdit;
class QHBoxLayout;

QDateEdit* periodDateEdit(const QString& name, const QDate& date);
// "日期从 [from] 到 [to]"
void addPeriod(QHBoxLayout* row, QDateEdit* from, QDateEdit* to);
