// Form1's side of the history: the names offered while typing, the link
// that opens the history window, the loads waiting for the server, and a
// past load opened into the tally.

#include "history/load_columns.h"
#include "history/load_record.h"
#include "history_window/history.h"
#include "history_window/history_services.h"
#include "records/stock_ledger.h"
#include "tally_window/click_label.h"
#include "tally_window/form1.h"
#include "tally_window/sheet_operations.h"
#include "tally_window/tally_field.h"
#include "tally_window/tally_snapshot.h"

#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStringListModel>
#include <map>

void Form1::connectHistory()
{
    if (!m_history)
        return;
    // The names the clerk typed before; the fields' own texts stay.
    const std::map<LoadColumn, TallyField*> fieldOf { { LoadColumn::Buyer, m_fields.text17 },
        { LoadColumn::Truck, m_fields.text22 }, { LoadColumn::Supplier, m_fields.text20 },
        { LoadColumn::Contact, m_fields.text24 }, { LoadColumn::Scaler, m_fields.text25 } };
    for (LoadColumn column : offeredLoadColumns()) {
        TallyField* field = fieldOf.at(column);
        auto* completer = new QCompleter(m_history->usedValues(column), field);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        field->setCompleter(completer);
    }
    // No text of the tally is longer than the yard's server takes.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setMaxLength(fieldTextLength);
    connect(
        m_history, &HistoryServices::waitingForServerChanged, this, &Form1::showWaitingForServer);
    connect(m_labels.historyLink, &ClickLabel::clicked, this, &Form1::onHistoryLinkClicked);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(shortcut, &QShortcut::activated, this, &Form1::onHistoryLinkClicked);
}

// The history window, made on first use beside the tally.
void Form1::onHistoryLinkClicked()
{
    History* window = m_history->window();
    if (!window)
        return;
    // Placed the first time only; later where the user put it.
    showBesideTally(window, !window->isVisible() && !window->testAttribute(Qt::WA_Moved));
}

// "3 条记录等待发送到服务器" under the link while the server cannot be
// reached (a load on its way to a server that answers is not shown), and
// what the server refused for good.
void Form1::showWaitingForServer()
{
    const int waiting = m_history->waitingForServer();
    QStringList notices;
    if (waiting > 0 && !m_history->serverFailure().isEmpty())
        notices << QStringLiteral("%1 条记录等待发送到服务器").arg(waiting);
    if (!m_history->refusedNotice().isEmpty())
        notices << m_history->refusedNotice();
    m_labels.waiting->setText(notices.join(u'\n'));
    m_labels.waiting->setToolTip(m_history->serverFailure());
    m_labels.waiting->adjustSize();
    m_labels.waiting->setVisible(!notices.isEmpty());
}

// Anything typed beyond the texts the sheet starts with: its captions and
// lengths, and the diameter classes of the layout in force.
bool Form1::tallyHoldsData() const
{
    Tally blank = m_startingTexts;
    blank.extendedLayout = m_fields.extendedLayoutShown();
    for (int row = 1; row <= Tally::rowCount; ++row)
        for (const int element : { 3, 9 })
            blank.grid[row - 1][element] = layoutDiameter(row, blank.extendedLayout);
    return typedPart(tally()) != blank;
}

bool Form1::openLoadIntoTally(const LoadRecord& load)
{
    if (tallyHoldsData()
        && !m_prompts.askYesNo(
            QStringLiteral("检尺单上已有数据。要用历史记录中的这车（%1 %2）替换它吗？")
                .arg(load.recordedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                    loadKindText(load.kind))))
        return false;
    showTally(m_fields, load.tally);
    activateWindow();
    raise();
    m_fields.lengths[0]->setFocus(Qt::OtherFocusReason);
    return true;
}
