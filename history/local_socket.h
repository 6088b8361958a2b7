#pragma once

// A server reached through a local socket is trusted with the password
// without TLS, so the socket must be one only the system or this user could
// have made. A folder others may write would let any local user put a
// server of their own there.

#include <QString>

struct LocalSocketCheck {
    enum Outcome { Safe, Missing, Unsafe } outcome = Safe;
    QString detail; // why not, for the log
};

// The folder a host names ("/run/postgresql") and the server's socket
// .s.PGSQL.<port> in it, neither followed where it is a link.
LocalSocketCheck checkLocalSocket(const QString& folder, int port);
