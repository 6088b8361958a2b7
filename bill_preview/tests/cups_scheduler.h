#pragma once

// A CUPS scheduler of a test's own: its configuration, spool and logs in a
// folder of the test's, listening on a free loopback port, with queues
// whose device is a file in that folder. Stopped on destruction.

#include <QProcess>
#include <QString>

class CupsScheduler {
public:
    explicit CupsScheduler(const QString& folder);
    ~CupsScheduler();

    // Starts cupsd and waits until it answers; false with why() otherwise.
    bool start();
    QString why() const { return m_why; }
    // host:port, for the clients' -h.
    QString server() const { return m_server; }

    // A raw queue writing each job to `outputFile`, enabled and accepting.
    bool addQueue(const QString& name, const QString& outputFile);
    // Runs a CUPS client against this scheduler; its output, or nothing on failure.
    bool client(const QString& program, const QStringList& arguments, QString* output = nullptr);
    // How many jobs of the queue have completed.
    int completedJobs(const QString& queue);

private:
    bool writeConfiguration();

    QString m_folder;
    QString m_server;
    QString m_why;
    QProcess m_cupsd;
};
