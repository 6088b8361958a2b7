#pragma once

// Where the yard's shared history is: a PostgreSQL server, and the name this
// machine's loads carry there. Kept in the program's configuration file
// (quorvane.ini in the configuration folder), group "history_server", keys
// host, port, database, user, station, certificate. The password is never
// kept here: the PostgreSQL client library reads it from the user's
// ~/.pgpass (or the file PGPASSFILE names), as PostgreSQL's own tools do.
// Over TCP the server must prove itself with the certificate named here
// before the password is sent; only a local socket (a host that is exactly
// one folder, "/run/postgresql") goes without. A list of hosts is checked
// as TCP, and one that names both a folder and an address is refused.

#include <QString>

struct ServerSettings {
    static constexpr int defaultPort = 5432;

    QString host; // empty: no server, the history stays on this machine
    int port = defaultPort;
    QString database;
    QString user;
    QString station; // empty: the machine's host name
    QString certificate; // the server's certificate file, as the yard's administrator gave it

    bool isSet() const { return !host.trimmed().isEmpty(); }
    // False only for exactly one local socket folder, which needs no encryption.
    bool usesTls() const;
    // A host list naming a socket folder and an address both.
    bool mixesSocketAndAddress() const;
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

// Missing keys read as their defaults; a missing file as no server. A
// certificate's relative path is taken from the file's folder.
ServerSettings readServerSettings(const QString& settingsFile);
// False when the file could not be written.
bool writeServerSettings(const QString& settingsFile, const ServerSettings& settings);
