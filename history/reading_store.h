#pragma once

// The store the history window reads: the yard's server when one is set
// and answers (every station's loads, with their station), else the
// clerk's own file.

#include "history/history_store.h"
#include "history/server_settings.h"

#include <memory>

struct ReadingStore {
    std::unique_ptr<HistoryStore> store;
    bool shared = false; // the server's: the window shows and filters by station
    QString notice; // why the clerk's own file is shown although a server is set
};

// Throws Failure only when the clerk's own file cannot be opened either.
ReadingStore openReadingStore(const ServerSettings& settings, const QString& localPath);
