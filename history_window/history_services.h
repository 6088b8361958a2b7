#pragma once

// The history of loads as the tally window uses it: the recorder that keeps
// each saved posting and bill, the sender that delivers them to the yard's
// server, the History window over the store it reads, the names typed
// before (offered to the tally's fields), and how many loads wait for the
// server. Built once by the program and handed to the window.

#include "history/load_query.h"
#include "history/load_record.h"

#include <QMap>
#include <QObject>
#include <memory>

class CommandPrompts;
class History;
class HistoryRecorder;
class HistorySender;
class HistoryStore;
class QStringListModel;
class Spreadsheet;
struct ReadingStore;
struct ServerSettings;

class HistoryServices : public QObject {
    Q_OBJECT

public:
    // The history lives in `folder`; `configFolder` holds the settings of
    // the yard's server, empty for none. Loads that wait from an earlier
    // run are stored now; a failure is said once the event loop runs.
    HistoryServices(const QString& folder, const QString& configFolder, Spreadsheet& spreadsheet,
        CommandPrompts& prompts, QObject* parent = nullptr);
    ~HistoryServices() override;

    HistoryRecorder& recorder() { return *m_recorder; }

    // Records a saved load; a failure is said and the load waits.
    void record(LoadKind kind, const Tally& tally, const QString& billNumber);

    // The names used before in a column (Buyer, Truck, Supplier, Contact or
    // Scaler), newest first, as many and as long as listedNames and
    // listedNameLength allow; a load recorded puts its names on top.
    QStringListModel* usedValues(LoadColumn column) const;

    // The History window, opened on first use; null when the history cannot
    // be read (said to the clerk).
    History* window();
    // The window once opened; null before.
    History* openedWindow() const { return m_window.get(); }

    // Loads waiting for a server that cannot be reached, and why; 0 while
    // the server takes them.
    int waitingForServer() const;
    QString serverFailure() const;
    // "服务器拒收了 N 条记录：…" while the server has refused records for
    // good; empty otherwise.
    QString refusedNotice() const;

    // Opens the store again after its file was restored from a backup.
    void reopenStore();

    // The store the windows read (the yard's server when set and answering,
    // else this machine's file), opened on first use; null when it cannot be
    // (said to the clerk).
    ReadingStore* readingStore();
    // This machine's file, where loads and payments are recorded; null while
    // it cannot be opened.
    HistoryStore* localStore();
    // Something new was recorded in this machine's file: it is sent on.
    void sendRecorded();
    QString settingsFile() const { return m_settingsFile; }

signals:
    // After each load the history was asked to record.
    void loadRecorded();
    void waitingForServerChanged();
    // From the History window: a load back into the tally, a bill again.
    void openLoadRequested(const LoadRecord& load);
    void reprintRequested(const LoadRecord& load);
    // The report's PDF was written: shown where the bill is, to print it.
    void reportSaved(const QString& pdf);
    // 往来账 was asked for from the History window.
    void accountsRequested();
    // The stores the windows read are about to close (a restore, other
    // server settings): what reads them goes first.
    void storesClosing();
    // What waits for the yard's server changed: a load, payment or join of
    // this machine may be there now.
    void sentToServer();

private:
    void openStores();
    void storeWaitingAtStart();
    void offerUsedValues();
    void addUsedValues(const LoadRecord& load);
    bool openWindow();
    void onStationSettingsRequested();
    void onServerSettingsSaved(const ServerSettings& settings);

    QString m_folder;
    QString m_settingsFile;
    Spreadsheet& m_spreadsheet;
    CommandPrompts& m_prompts;
    std::unique_ptr<HistoryRecorder> m_recorder;
    std::unique_ptr<HistorySender> m_sender;
    std::unique_ptr<ReadingStore> m_reading; // what the window reads
    // A window of its own, not a child of the tally: the tally's children
    // are its fields.
    std::unique_ptr<History> m_window;
    QMap<LoadColumn, QStringListModel*> m_usedValues; // of the columns offered
};
