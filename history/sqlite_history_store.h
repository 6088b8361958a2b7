#pragma once

// The history on the clerk's own machine: one SQLite file in WAL mode, so
// that reading the history window never holds up a posting.

#include "history/history_store.h"

class SqliteHistoryStore : public HistoryStore {
public:
    // Opens or creates the file and brings its schema up to date;
    // `schemaVersion` below the current one is for tests of old files.
    explicit SqliteHistoryStore(const QString& path, int schemaVersion = currentSchemaVersion());
    ~SqliteHistoryStore() override;

    // How long a write waits for another program's lock.
    static constexpr int busyTimeoutMs = 2000;
};

// quorvane.sqlite in the data folder.
QString historyDatabasePath(const QString& dataFolder);
