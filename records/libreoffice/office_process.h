#pragma once

// One headless LibreOffice process of ours and the UNO connection to it.
// Started on first need with a private profile and a pipe of its own;
// started again when it has died. Not thread-safe: the spreadsheet that
// owns it serialises every use.

#include <QDateTime>
#include <QString>
#include <QVector>
#include <atomic>
#include <chrono>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <sys/types.h>

// The URL an office is given for the profile in that folder.
QString profileUrlOf(const QString& profileFolder);
// Every office process running on the profile at this URL.
QVector<pid_t> officesOnProfile(const QString& profileUrl);

class OfficeProcess {
public:
    OfficeProcess(QString programFolder, QString profileFolder);
    ~OfficeProcess();

    // The office's desktop, starting and connecting first if needed.
    // Throws Failure (OfficeMissing, OfficeFailedToStart,
    // OfficeNotResponding). Started with umask 022 whatever ours is.
    css::uno::Reference<css::frame::XDesktop2> desktop(std::chrono::milliseconds startTimeout);

    // Whether the process still runs; reaps it when it has ended.
    bool alive();
    // Ends the process at once (the hung-office remedy); from then on it
    // counts as dead. Safe to call from another thread.
    void kill();
    // The connection is gone (the office died, or was killed): makes sure
    // the process has ended and forgets both, so the next pass starts anew.
    void lost();
    // Asks the office to end, then makes sure it has.
    void shutDown();

    QString profileUrl() const;

    // The workbook a pass works on: when the office dies in that pass, a
    // lock file of the workbook made since the pass began is its own, half
    // written perhaps, and the next pass may remove it.
    void beginPass(const QString& path);
    void endPass();
    // Whether the office died in a pass on `path` that began before
    // `lockMade`; asked once, by the next pass on that workbook.
    bool diedMakingLock(const QString& path, const QDateTime& lockMade);
    pid_t pid() const { return m_pid; }

private:
    void spawn();
    void connect(std::chrono::steady_clock::time_point deadline);

    QString m_programFolder;
    QString m_profileFolder;
    QString m_pipeName;
    QString m_passPath;
    QDateTime m_passStart;
    QString m_diedPath;
    QDateTime m_diedSince;
    std::atomic<pid_t> m_pid { 0 };
    std::atomic<bool> m_killed { false };
    css::uno::Reference<css::uno::XComponentContext> m_local;
    css::uno::Reference<css::frame::XDesktop2> m_desktop;
};
