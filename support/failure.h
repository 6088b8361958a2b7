#pragma once

// How anything the program asks of a disk, a database or the office fails.
// A caller that is expected to handle a failure gets a Result: the value,
// or the Failure with its cause. Failure is thrown only inside one unit of
// work that cannot go on once a step fails (an office pass, a database
// transaction); the unit's edge turns it into a Result. What the clerk
// reads of a cause is in support/failure_text.h, in one place.

#include <QString>
#include <exception>
#include <optional>
#include <utility>
#include <variant>

enum class FailureCause {
    None, // no failure: the cause of a Result that went through
    // Files and folders
    FolderMissing,
    NotWritable, // the file or its folder cannot be written
    DiskFull,
    NotAFile, // a link, FIFO, device or folder where a file is to be written
    Link, // a workbook or the bill folder that is a link, so would lead elsewhere
    TimedOut, // a check that did not end in the time it had
    NoReadPermission, // a file there that the user may not read
    Unreadable, // a file there that does not read
    TooLarge, // far larger than its kind ever is: set aside unread
    // The office and its workbooks
    OfficeMissing, // no spreadsheet application is installed
    OfficeFailedToStart, // installed, but it ended or failed as it started
    OfficeNotResponding, // the application hung or died during the pass
    WorkbookMissing,
    WorkbookUnreadable, // there, but the file cannot be opened for reading
    WorkbookOpenElsewhere, // locked by another program or user
    WorkbookReadOnly,
    FolderNotWritable,
    WorkbookDamaged, // not a readable Excel 97 workbook
    SheetMissing,
    SheetProtected,
    // The history
    Locked, // another program holds the database
    Damaged, // not a database, or its pages do not read
    DamagedLoad, // one load's stored texts do not read
    NewerSchema, // made by a newer version of the program
    ServerNotSet, // no server filled in
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
    WaitingNotUpdated, // the file of the loads waiting for the history cannot be rewritten
    OutOfRange, // a sum beyond what 64 bits hold
    PaymentIncomplete, // no partner or day, or an amount not above zero
    AlreadyReversed, // the payment has its reversal already
    ReversalNotReversible, // a reversal is not reversed in turn
    JoinRefused, // a name joined into itself or joined already
    JoinIntoJoined, // the partner is joined into another itself (a cycle is one)
    JoinOfPartner, // other names are joined into the name to join
    RefusedByServer, // the server will never store this one record (its detail says why)
    HostsMixed, // a host list naming a local socket folder and an address
    // A backup that is refused whole: nothing of it is restored
    BackupHasLinks, // a link or special file inside it: someone may have changed it
    BackupMismatch, // its files are not what its manifest lists
    BackupForeignHistory, // its history is not the program's own, or does not read
    Other,
};

class Failure : public std::exception {
public:
    Failure(FailureCause cause, QString path, QString detail = {})
        : m_cause(cause)
        , m_path(std::move(path))
        , m_detail(std::move(detail))
    {
    }
    FailureCause cause() const { return m_cause; }
    // The file or folder, or the server, it concerns.
    QString path() const { return m_path; }
    // The sheet's name for SheetMissing and SheetProtected, where the file
    // was set aside for TooLarge (empty when it stayed); otherwise the
    // system's, the office's or the driver's own words: for the log only.
    QString detail() const { return m_detail; }
    // "<cause> <path>: <detail>", for the log.
    QString logText() const;
    const char* what() const noexcept override { return "failure"; }

private:
    FailureCause m_cause;
    QString m_path;
    QString m_detail;
};

// A short English name of the cause, for the log.
QString causeName(FailureCause cause);

// What an operation gives: its value, or the failure with its cause.
template <typename T> class Result {
public:
    Result(T value)
        : m_outcome(std::in_place_index<0>, std::move(value))
    {
    }
    Result(Failure failure)
        : m_outcome(std::in_place_index<1>, std::move(failure))
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
    const Failure& error() const { return std::get<1>(m_outcome); }
    // None when ok().
    FailureCause cause() const { return ok() ? FailureCause::None : error().cause(); }
    // "ok" when ok(), else the failure's, for the log.
    QString logText() const { return ok() ? causeName(FailureCause::None) : error().logText(); }
    T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Failure> m_outcome;
};

// An operation with no value: done, or the failure.
template <> class Result<void> {
public:
    Result() = default;
    Result(Failure failure)
        : m_failure(std::move(failure))
    {
    }
    Result(FailureCause cause, QString path, QString detail)
        : m_failure(std::in_place, cause, std::move(path), std::move(detail))
    {
    }
    bool ok() const { return !m_failure; }
    explicit operator bool() const { return ok(); }
    // Only when not ok().
    const Failure& error() const { return *m_failure; }
    // None when ok().
    FailureCause cause() const { return m_failure ? m_failure->cause() : FailureCause::None; }
    QString path() const { return m_failure ? m_failure->path() : QString(); }
    QString detail() const { return m_failure ? m_failure->detail() : QString(); }
    QString logText() const;

private:
    std::optional<Failure> m_failure;
};

using Done = Result<void>;
