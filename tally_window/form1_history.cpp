// Form1 and the history of loads: each completed posting and bill is
// recorded, the fields the clerk types names into offer the names used
// before, and a load of the history comes back into the sheet for editing
// or is printed again as the bill it was.

#include "history/history_recorder.h"
#include "history/history_sender.h"
#include "history/reading_store.h"
#include "history/server_settings.h"
#include "history/sqlite_history_store.h"
#include "history_window/history.h"
#include "history_window/station_settings.h"
#include "records/bill_export.h"
#include "records/event_log.h"
#include "tally_window/click_label.h"
#include "tally_window/form1.h"
#include "tally_window/load_records.h"
#include "tally_window/running_command.h"
#include "tally_window/tally_field.h"
#include "tally_window/tally_journal.h"

#include <QApplication>
#include <QCompleter>
#include <QLabel>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>

namespace {

QString recordFailureText(LoadKind kind, const QString& cause, bool keptOnDisk)
{
    const QString done = kind == LoadKind::StockIn ? QStringLiteral("已入库")
        : kind == LoadKind::StockOut                ? QStringLiteral("已出库")
                                                    : QStringLiteral("账单已导出");
    const QString retry = keptOnDisk ? QStringLiteral("下次启动时会再试。")
                                     : QStringLiteral("这条记录只能保留到程序关闭，请先腾出磁盘空间；下一次入库、出库或导出账单时会再试。");
    return QStringLiteral("%1，但历史记录没有保存：%2。%3").arg(done, cause, retry);
}

} // namespace

void Form1::connectHistory()
{
    if (m_folders.history.isEmpty())
        return;
    const QString path = historyDatabasePath(m_folders.history);
    m_history = std::make_unique<HistoryRecorder>(
        [path] { return std::make_unique<SqliteHistoryStore>(path); }, waitingLoadsPath(m_folders.history));
    m_history->setLog([](const QString& text) { logEvent(text); });
    // With a yard server set, each load stored here is sent on from its outbox.
    if (!m_folders.config.isEmpty())
        m_settingsFile = settingsFilePath(m_folders.config);
    m_sender = std::make_unique<HistorySender>(path, readServerSettings(m_settingsFile));
    connect(m_sender.get(), &HistorySender::waitingChanged, this, &Form1::showWaitingForServer);
    connect(m_sender.get(), &HistorySender::failureChanged, this, &Form1::showWaitingForServer);
    m_sender->start();
    m_history->setStoredHandler([this](const LoadRecord& load) {
        addUsedValues(load);
        m_sender->loadRecorded();
    });
    offerUsedValues();
    connect(m_label24, &ClickLabel::clicked, this, &Form1::onHistoryLinkClicked);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(shortcut, &QShortcut::activated, this, &Form1::onHistoryLinkClicked);
    if (m_history->waitingCount() == 0)
        return;
    const int waiting = m_history->waitingCount();
    const QString failure = m_history->storeWaiting();
    if (!failure.isEmpty())
        QTimer::singleShot(0, this, [this, waiting, failure] {
            m_prompts->showMessage(QStringLiteral("有 %1 车的历史记录还没有保存：%2。下次启动时会再试。")
                                       .arg(waiting)
                                       .arg(failure));
        });
}

HistoryRecorder* Form1::history()
{
    return m_history.get();
}

void Form1::recordLoad(LoadKind kind, const QString& billNumber)
{
    if (!m_history)
        return;
    LoadRecord load = loadRecordOf(billFields(), kind, QDateTime::currentDateTime());
    load.billNumber = billNumber;
    const QString failure = m_history->record(load);
    if (!failure.isEmpty())
        m_prompts->showMessage(recordFailureText(kind, failure, m_history->waitingKeptOnDisk()));
    emit loadRecorded();
}

// The names the clerk typed before, newest first; the fields' own texts stay.
void Form1::offerUsedValues()
{
    const std::array<std::pair<TallyField*, LoadColumn>, 5> offered { {
        { m_fields.text17, LoadColumn::Buyer },
        { m_fields.text22, LoadColumn::Truck },
        { m_fields.text20, LoadColumn::Supplier },
        { m_fields.text24, LoadColumn::Contact },
        { m_fields.text25, LoadColumn::Scaler },
    } };
    HistoryStore* store = m_history->store();
    for (std::size_t i = 0; i < offered.size(); ++i) {
        const auto [field, column] = offered[i];
        QStringList used;
        if (store) {
            const HistoryResult<QStringList> values = store->recentValues(column);
            if (values)
                used = *values;
            else
                logEvent(QStringLiteral("history names not read: %1 %2").arg(values.error().location(), values.error().detail()));
        }
        auto* model = new QStringListModel(used, this);
        auto* completer = new QCompleter(model, field);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        field->setCompleter(completer);
        m_usedValues[i] = model;
    }
}

void Form1::addUsedValues(const LoadRecord& load)
{
    const std::array<QString, 5> values { load.captions[LoadRecord::Buyer].value,
        load.captions[LoadRecord::Truck].value, load.captions[LoadRecord::Supplier].value,
        load.captions[LoadRecord::Contact].value, load.scaler };
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i].isEmpty() || !m_usedValues[i])
            continue;
        QStringList list = m_usedValues[i]->stringList();
        list.removeAll(values[i]);
        list.prepend(values[i]);
        m_usedValues[i]->setStringList(list);
    }
}

// The history window, made on first use beside the tally.
void Form1::onHistoryLinkClicked()
{
    if (!m_history || (!m_historyWindow && !openHistoryWindow()))
        return;
    // Placed the first time only; later where the user put it.
    History* window = m_historyWindow.get();
    showBesideTally(window, !window->isVisible() && !window->testAttribute(Qt::WA_Moved));
}

// Reads the yard's server when one is set and answers, else this machine's file.
bool Form1::openHistoryWindow()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto reading = std::make_unique<ReadingStore>();
    QString failure;
    try {
        *reading = openReadingStore(readServerSettings(m_settingsFile), historyDatabasePath(m_folders.history));
    } catch (const HistoryError& error) {
        logEvent(QStringLiteral("history not opened: %1 %2").arg(error.location(), error.detail()));
        failure = historyFailureMessage(error);
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        m_prompts->showMessage(QStringLiteral("历史记录无法打开：%1。").arg(failure));
        return false;
    }
    m_reading = std::move(reading);
    m_historyWindow = std::make_unique<History>(*m_reading->store, m_spreadsheet);
    m_historyWindow->setWindowIcon(windowIcon());
    m_historyWindow->setStationsShown(m_reading->shared);
    m_historyWindow->setNotice(m_reading->notice);
    connect(m_historyWindow.get(), &History::openLoadRequested, this, &Form1::openLoadIntoTally);
    connect(m_historyWindow.get(), &History::reprintRequested, this, &Form1::reprintBill);
    connect(m_historyWindow.get(), &History::stationSettingsRequested, this, &Form1::onStationSettingsRequested);
    connect(this, &Form1::loadRecorded, m_historyWindow.get(), &History::refresh);
    connect(m_sender.get(), &HistorySender::loadSent, m_historyWindow.get(), [this] {
        if (m_reading->shared)
            m_historyWindow->refresh();
    });
    return true;
}

void Form1::onStationSettingsRequested()
{
    if (m_settingsFile.isEmpty())
        return;
    auto* dialog = new StationSettings(m_settingsFile, m_historyWindow.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &StationSettings::saved, this, &Form1::onServerSettingsSaved);
    dialog->open();
}

// New settings hold at once: the sender turns to the new server and the
// history window reads from it.
void Form1::onServerSettingsSaved(const ServerSettings& settings)
{
    m_sender->setServerSettings(settings);
    const bool shown = m_historyWindow && m_historyWindow->isVisible();
    const QRect place = m_historyWindow ? m_historyWindow->geometry() : QRect();
    QTimer::singleShot(0, this, [this, shown, place] {
        m_historyWindow.reset();
        m_reading.reset();
        if (shown && openHistoryWindow()) {
            m_historyWindow->setGeometry(place);
            m_historyWindow->show();
        }
    });
}

// "3 条记录等待发送到服务器" under the link while the server cannot be
// reached; a load on its way to a server that answers is not shown.
void Form1::showWaitingForServer()
{
    const int waiting = m_sender->waitingCount();
    m_label25->setText(QStringLiteral("%1 条记录等待发送到服务器").arg(waiting));
    m_label25->setToolTip(m_sender->lastFailure());
    m_label25->adjustSize();
    m_label25->setVisible(waiting > 0 && !m_sender->lastFailure().isEmpty());
}

History* Form1::historyWindow() const
{
    return m_historyWindow.get();
}

bool Form1::tallyHoldsData() const
{
    for (int row = 1; row <= TallyFields::rowCount; ++row)
        for (int block = 0; block < TallyFields::blockCount; ++block)
            if (!m_fields.cell(row, 3 * block + 1)->text().isEmpty())
                return true;
    for (const TallyField* field : m_fields.lengths)
        if (!field->text().isEmpty())
            return true;
    for (const TallyField* field : { m_fields.text17, m_fields.text22, m_fields.text20, m_fields.text24 })
        if (!field->text().isEmpty())
            return true;
    return false;
}

bool Form1::openLoadIntoTally(const LoadRecord& load)
{
    if (tallyHoldsData()
        && !m_prompts->askYesNo(QStringLiteral("检尺单上已有数据。要用历史记录中的这车（%1 %2）替换它吗？")
                                    .arg(load.recordedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                        loadKindText(load.kind))))
        return false;
    showTallyState(m_fields, tallyStateOf(load));
    activateWindow();
    raise();
    m_fields.lengths[0]->setFocus(Qt::OtherFocusReason);
    return true;
}

bool Form1::reprintBill(const LoadRecord& load)
{
    const std::optional<BillNumber> number = BillNumber::fromText(load.billNumber);
    if (!number) {
        m_prompts->showMessage(QStringLiteral("这条历史记录不是账单，没有账单编号，无法重印。"));
        return false;
    }
    if (RunningCommand running { m_commandRunning })
        return m_bill->reprint(billFieldsOf(load), *number);
    return false;
}
