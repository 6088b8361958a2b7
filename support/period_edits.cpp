#include "support/period_edits.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

QDateEdit* periodDateEdit(const QString& name, const QDate& date)
{
    auto* edit = new QDateEdit(date);
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return edit;
}

void addPeriod(QHBoxLayout* row, QDateEdit* from, QDateEdit* to)
{
    row->addWidget(new QLabel(QStringLiteral("日期从")));
    row->addWidget(from);
    row->addWidget(new QLabel(QStringLiteral("到")));
    row->addWidget(to);
}
