#pragma once

// Where the yard's shared history is: a PostgreSQL server, and the name this
// machine's loads carry there. Kept in the program's configuration file
// (quorvane.ini in the configuration folder), group "history_server", keys
// host, port, database, user, station. The password is never kept here:
// the PostgreSQL client library reads it from the user's ~/.pgpass (or the
// file PGPASSFILE names), as PostgreSQL's own tools do.

#include <QString>

struct ServerSettings {
    static constexpr int defaultPort = 5432;

    QString host; // empty: no server, the history stays on this machine
    int port = defaultPort;
    QString database;
    QString user;
    QString station; // empty: the machine's host name

    bool isSet() const { return !host.trimmed().isEmpty(); }
    // The name this machine's loads carry on the server.
    QString stationName() const;
    // "host:port/database", for messages and the log.
    QString location() const;
    bool operator==(const ServerSettings& other) const;
    bool operator!=(const ServerSettings& other) const { return !(*this == other); }
};

// quorvane.ini in the given configuration folder
// (QStandardPaths::AppConfigLocation in the program).
QString settingsFilePath(const QString& configFolder);

// Missing keys read as their defaults; a missing file as no server.
ServerSettings readServerSettings(const QString& settingsFile);
// False when the file could not be written.
bool writeServerSettings(const QString& settingsFile, const ServerSettings& settings);
