#pragma once

// The yard's shared history on a PostgreSQL server, through Qt's QPSQL
// driver. The password comes from the user's password file (~/.pgpass or
// PGPASSFILE), read by the client library itself. The schema is made or
// brought up on first connection, by the same steps as on the clerk's file.

#include "history/history_store.h"
#include "history/server_settings.h"

class PostgresHistoryStore : public HistoryStore {
public:
    // Connects, waiting at most connectTimeoutS, and brings the schema up to
    // `schemaVersion` (below the current one for tests of old servers).
    explicit PostgresHistoryStore(
        const ServerSettings& settings, int schemaVersion = currentSchemaVersion());
    ~PostgresHistoryStore() override;

    // Throws StationNotAllowed when the server binds this login to another
    // station's name.
    void checkStationName(const QString& station) const;

    static constexpr int connectTimeoutS = 5;

private:
    void readLoginRights();

    bool m_mayChangeSchema = true;
    std::optional<QString> m_boundStation;
};

// The cause of a failed connection, told from the client library's and the
// server's words (a failed connection carries no error code).
FailureCause connectionFailureCause(const QString& driverText);

// Done when the server answers and its history can be used
// (historyFailureMessage() tells the clerk why not).
Done testServerConnection(const ServerSettings& settings);
