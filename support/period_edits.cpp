#include "support/period_edits.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>
#include <memory>

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

QComboBox* periodPresets(
    const QString& name, QDateEdit* from, QDateEdit* to, std::function<QDate()> today)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItems({ QStringLiteral("自选"), QStringLiteral("本月"), QStringLiteral("上月"),
        QStringLiteral("今年"), QStringLiteral("去年") });
    auto setting = std::make_shared<bool>(false);
    QObject::connect(box, &QComboBox::activated, box, [=](int index) {
        const QDate day = today();
        const QDate month(day.year(), day.month(), 1);
        QDate first, last;
        switch (index) {
        case 1:
            first = month;
            last = month.addMonths(1).addDays(-1);
            break;
        case 2:
            first = month.addMonths(-1);
            last = month.addDays(-1);
            break;
        case 3:
            first = QDate(day.year(), 1, 1);
            last = QDate(day.year(), 12, 31);
            break;
        case 4:
            first = QDate(day.year() - 1, 1, 1);
            last = QDate(day.year() - 1, 12, 31);
            break;
        default:
            return;
        }
        *setting = true;
        // Widened first, so `from` never passes `to` on the way.
        from->setDate(std::min(first, from->date()));
        to->setDate(last);
        from->setDate(first);
        *setting = false;
    });
    const auto byHand = [box, setting] {
        if (!*setting)
            box->setCurrentIndex(0);
    };
    QObject::connect(from, &QDateEdit::dateChanged, box, byHand);
    QObject::connect(to, &QDateEdit::dateChanged, box, byHand);
    return box;
}
