#pragma once

// How the history fails, and the one wording of it a clerk reads. A store
// throws HistoryError from its writes and from opening; its reads hand back
// a HistoryResult, the value or the failure, so a caller cannot miss one.

#include <QString>
#include <exception>
#include <utility>
#include <variant>

enum class HistoryFailure {
    Locked, // another program holds the database
    Damaged, // not a database, or its pages do not read
    DamagedLoad, // one load's stored texts do not read
    DiskFull,
    NotWritable, // the file or its folder cannot be written
    NewerSchema, // made by a newer version of the program
    Unreachable, // the server does not answer
    LoginRefused, // wrong user or password
    DatabaseMissing,
    NoRight, // the user may not create the tables
    StationTaken, // the station's name is used by another machine too
    StationNotAllowed, // the server binds this login to another station's name
    SchemaOutdated, // the server's tables are older, and only its administrator may bring them up
    NotEncrypted, // the server would not encrypt the connection: nothing was sent
    CertificateMismatch, // the server is not the one the certificate names: nothing was sent
    CertificateMissing, // no certificate file set, or it does not read
    SocketNotSafe, // a local socket others could have put there: nothing was sent
    OutOfRange, // a sum beyond what 64 bits hold
    PaymentIncomplete, // no partner or day, or an amount not above zero
    AlreadyReversed, // the payment has its reversal already
    ReversalNotReversible, // a reversal is not reversed in turn
    JoinRefused, // a name joined into itself or joined already
    JoinIntoJoined, // the partner is joined into another itself (a cycle is one)
    JoinOfPartner, // other names are joined into the name to join
    RefusedByServer, // the server will never store this one record (its detail says why)
    HostsMixed, // a host list naming a local socket folder and an address
    Other,
};

class HistoryError : public std::exception {
public:
    HistoryError(HistoryFailure cause, QString location, QString detail = {})
        : m_cause(cause)
        , m_location(std::move(location))
        , m_detail(std::move(detail))
    {
    }
    HistoryFailure cause() const { return m_cause; }
    QString location() const { return m_location; } // the file, or the server
    QString detail() const { return m_detail; } // the driver's words: for the log only
    const char* what() const noexcept override { return "history error"; }

private:
    HistoryFailure m_cause;
    QString m_location;
    QString m_detail;
};

// What a read gives: its value, or the failure with its cause.
template <typename T> class HistoryResult {
public:
    HistoryResult(T value)
        : m_outcome(std::in_place_index<0>, std::move(value))
    {
    }
    HistoryResult(HistoryError error)
        : m_outcome(std::in_place_index<1>, std::move(error))
    {
    }
    bool ok() const { return m_outcome.index() == 0; }
    explicit operator bool() const { return ok(); }
    // Only when ok().
    const T& value() const& { return std::get<0>(m_outcome); }
    T&& value() && { return std::get<0>(std::move(m_outcome)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    // Only when not ok().
    const HistoryError& error() const { return std::get<1>(m_outcome); }
    T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, HistoryError> m_outcome;
};

// The cause in a clerk's words. Without `failedRead`, as a posting or the
// server settings tell it, naming the file or server in full: "历史数据库“…”已损坏".
// With it, as the history window tells a read it could not make, naming the
// file alone and what was not read: "合计读不出来：历史数据库“quorvane.sqlite”已损坏。"
// A load whose texts do not read is the one load the window was asked to open.
QString historyFailureMessage(const HistoryError& error, const QString& failedRead = {});
