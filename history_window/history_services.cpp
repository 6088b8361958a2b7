#include "history_window/history_services.h"

#include "assets/artwork.h"
#include "history/history_recorder.h"
#include "history/history_sender.h"
#include "history/load_columns.h"
#include "history/reading_store.h"
#include "history/server_settings.h"
#include "history/sqlite_history_store.h"
#include "history_window/history.h"
#include "history_window/station_settings.h"
#include "records/stock_ledger.h"
#include "support/event_log.h"
#include "support/failure_text.h"

#include <QApplication>
#include <QStringListModel>
#include <QTimer>

namespace {

QString recordFailureText(LoadKind kind, const QString& cause, bool keptOnDisk)
{
    const QString done = kind == LoadKind::StockIn ? QStringLiteral("已入库")
        : kind == LoadKind::StockOut               ? QStringLiteral("已出库")
                                                   : QStringLiteral("账单已导出");
    const QString retry = keptOnDisk
        ? QStringLiteral("下次启动时会再试。")
        : QStringLiteral(
            "这条记录只能保留到程序关闭，请先腾出磁盘空间；下一次入库、出库或导出账单时会再试。");
    return QStringLiteral("%1，但历史记录没有保存：%2。%3").arg(done, cause, retry);
}

} // namespace

HistoryServices::HistoryServices(const QString& folder, const QString& configFolder,
    Spreadsheet& spreadsheet, CommandPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
    , m_spreadsheet(spreadsheet)
    , m_prompts(prompts)
{
    // With a yard server set, each load stored here is sent on from its outbox.
    if (!configFolder.isEmpty())
        m_settingsFile = settingsFilePath(configFolder);
    openStores();
    offerUsedValues();
    storeWaitingAtStart();
}

HistoryServices::~HistoryServices() = default;

void HistoryServices::openStores()
{
    const QString path = historyDatabasePath(m_folder);
    m_recorder = std::make_unique<HistoryRecorder>(
        [path] { return std::make_unique<SqliteHistoryStore>(path); }, waitingLoadsPath(m_folder));
    m_recorder->setLog([](const QString& text) { logEvent(text); });
    m_sender = std::make_unique<HistorySender>(path, readServerSettings(m_settingsFile));
    connect(m_sender.get(), &HistorySender::waitingChanged, this,
        &HistoryServices::waitingForServerChanged);
    connect(m_sender.get(), &HistorySender::failureChanged, this,
        &HistoryServices::waitingForServerChanged);
    connect(m_sender.get(), &HistorySender::refusedChanged, this,
        &HistoryServices::waitingForServerChanged);
    // Loads, payments and joins leave the outbox once the server has them.
    connect(m_sender.get(), &HistorySender::waitingChanged, this, &HistoryServices::sentToServer);
    m_sender->start();
    m_recorder->setStoredHandler([this](const LoadRecord& load) {
        addUsedValues(load);
        m_sender->loadRecorded();
    });
}

void HistoryServices::reopenStore()
{
    // A restore replaced the store's file: every connection to the old
    // one goes, the History window with them.
    emit storesClosing();
    m_window.reset();
    m_reading.reset();
    m_sender.reset();
    m_recorder.reset();
    openStores();
    emit waitingForServerChanged();
}

void HistoryServices::storeWaitingAtStart()
{
    if (const QString notice = m_recorder->setAsideNotice(); !notice.isEmpty())
        QTimer::singleShot(0, this, [this, notice] { m_prompts.showMessage(notice); });
    const int waiting = m_recorder->waitingCount();
    if (waiting == 0)
        return;
    const Done stored = m_recorder->storeWaiting();
    if (!stored) {
        const QString failure = historyFailureMessage(stored.error());
        QTimer::singleShot(0, this, [this, waiting, failure] {
            m_prompts.showMessage(
                QStringLiteral("有 %1 车的历史记录还没有保存：%2。下次启动时会再试。")
                    .arg(waiting)
                    .arg(failure));
        });
    }
}

void HistoryServices::record(LoadKind kind, const Tally& tally, const QString& billNumber)
{
    LoadRecord load;
    load.kind = kind;
    load.recordedAt = QDateTime::currentDateTime();
    load.billNumber = billNumber;
    load.tally = tally;
    const Done stored = m_recorder->record(load);
    if (!stored)
        m_prompts.showMessage(recordFailureText(
            kind, historyFailureMessage(stored.error()), m_recorder->waitingKeptOnDisk()));
    emit loadRecorded();
}

// The names the clerk typed before, newest first.
void HistoryServices::offerUsedValues()
{
    HistoryStore* store = m_recorder->store();
    for (LoadColumn column : offeredLoadColumns()) {
        QStringList used;
        if (store) {
            const Result<QStringList> values = store->recentValues(column);
            if (values)
                used = *values;
            else
                logEvent(QStringLiteral("history names not read: %1 %2")
                             .arg(values.error().path(), values.error().detail()));
        }
        m_usedValues[column] = new QStringListModel(used, this);
    }
}

QStringListModel* HistoryServices::usedValues(LoadColumn column) const
{
    return m_usedValues.value(column);
}

void HistoryServices::addUsedValues(const LoadRecord& load)
{
    for (auto used = m_usedValues.cbegin(); used != m_usedValues.cend(); ++used) {
        const QString value = storedValue(load, used.key()).toString();
        if (value.isEmpty() || value.size() > listedNameLength || !used.value())
            continue;
        QStringList list = used.value()->stringList();
        list.removeAll(value);
        list.prepend(value);
        if (list.size() > listedNames)
            list.removeLast();
        used.value()->setStringList(list);
    }
}

History* HistoryServices::window()
{
    if (!m_window && !openWindow())
        return nullptr;
    return m_window.get();
}

// Reads the yard's server when one is set and answers, else this machine's file.
ReadingStore* HistoryServices::readingStore()
{
    if (m_reading)
        return m_reading.get();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto reading = std::make_unique<ReadingStore>();
    QString failure;
    try {
        *reading
            = openReadingStore(readServerSettings(m_settingsFile), historyDatabasePath(m_folder));
    } catch (const Failure& error) {
        logEvent(QStringLiteral("history not opened: %1 %2").arg(error.path(), error.detail()));
        failure = historyFailureMessage(error);
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("历史记录无法打开：%1。").arg(failure));
        return nullptr;
    }
    m_reading = std::move(reading);
    return m_reading.get();
}

HistoryStore* HistoryServices::localStore()
{
    return m_recorder->store();
}

void HistoryServices::sendRecorded()
{
    m_sender->loadRecorded();
}

bool HistoryServices::openWindow()
{
    if (!readingStore())
        return false;
    m_window = std::make_unique<History>(*m_reading->store, m_spreadsheet);
    m_window->setWindowIcon(programIcon());
    m_window->setSettingsFile(m_settingsFile);
    m_window->setStationsShown(m_reading->shared);
    m_window->setNotice(m_reading->notice);
    connect(m_window.get(), &History::openLoadRequested, this, &HistoryServices::openLoadRequested);
    connect(m_window.get(), &History::reprintRequested, this, &HistoryServices::reprintRequested);
    connect(m_window.get(), &History::reportSaved, this, &HistoryServices::reportSaved);
    connect(m_window.get(), &History::stationSettingsRequested, this,
        &HistoryServices::onStationSettingsRequested);
    connect(m_window.get(), &History::accountsRequested, this, &HistoryServices::accountsRequested);
    connect(this, &HistoryServices::loadRecorded, m_window.get(), &History::refresh);
    connect(m_sender.get(), &HistorySender::loadSent, m_window.get(), [this] {
        if (m_reading->shared)
            m_window->refresh();
    });
    return true;
}

void HistoryServices::onStationSettingsRequested()
{
    if (m_settingsFile.isEmpty())
        return;
    auto* dialog = new StationSettings(m_settingsFile, m_window.get());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->showRefused(refusedNotice());
    connect(this, &HistoryServices::waitingForServerChanged, dialog,
        [this, dialog] { dialog->showRefused(refusedNotice()); });
    connect(dialog, &StationSettings::saved, this, &HistoryServices::onServerSettingsSaved);
    dialog->open();
}

// New settings hold at once: the sender turns to the new server and the
// window reads from it.
void HistoryServices::onServerSettingsSaved(const ServerSettings& settings)
{
    m_sender->setServerSettings(settings);
    const bool shown = m_window && m_window->isVisible();
    const QRect place = m_window ? m_window->geometry() : QRect();
    QTimer::singleShot(0, this, [this, shown, place] {
        emit storesClosing();
        m_window.reset();
        m_reading.reset();
        if (shown && openWindow()) {
            m_window->setGeometry(place);
            m_window->show();
        }
    });
}

int HistoryServices::waitingForServer() const
{
    return m_sender->waitingCount();
}

QString HistoryServices::serverFailure() const
{
    return m_sender->lastFailure();
}

QString HistoryServices::refusedNotice() const
{
    return m_sender->refused().notice();
}
