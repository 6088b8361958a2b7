#pragma once

// The period of a list or a report: two date boxes with their calendars, and
// their captions in a row.

#include <QDate>
#include <QString>

#include <functional>

class QComboBox;
class QDateEdit;
class QHBoxLayout;

QDateEdit* periodDateEdit(const QString& name, const QDate& date);
// "日期从 [from] 到 [to]"
void addPeriod(QHBoxLayout* row, QDateEdit* from, QDateEdit* to);

// The ready periods, 本月, 上月, 今年 and 去年, that set both dates when
// picked; it shows 自选 again once a date is set otherwise.
QComboBox* periodPresets(
    const QString& name, QDateEdit* from, QDateEdit* to, std::function<QDate()> today);
