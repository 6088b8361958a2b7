#pragma once

// Where this station's history goes: the yard's server, the station's name
// there and the server's certificate file. Reads the configuration file when
// opened and writes it on 保存; 测试连接 tries the typed settings on a worker
// thread, so the window never hangs on a server that does not answer, and
// says whether the server's certificate matches.

#include "history/server_settings.h"
#include "support/failure.h"

#include <QDialog>
#include <QFutureWatcher>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class StationSettings : public QDialog {
    Q_OBJECT

public:
    explicit StationSettings(QString settingsFile, QWidget* parent = nullptr);

    // As typed.
    ServerSettings settings() const;
    // What the server refused for good ("服务器拒收了 N 条记录：…"), or nothing.
    void showRefused(const QString& notice);

    // Asks for a certificate file, starting at the given one; empty when
    // none was chosen. A file dialog unless replaced (by tests).
    using FileChooser = std::function<QString(QWidget* parent, const QString& start)>;
    void setCertificateChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

signals:
    void saved(const ServerSettings& settings);

private:
    void chooseCertificate();
    void testConnection();
    void showTestResult();
    void save();

    QString m_settingsFile;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QLineEdit* m_database;
    QLineEdit* m_user;
    QLineEdit* m_station;
    QLineEdit* m_certificate;
    FileChooser m_chooseFile;
    QLabel* m_result;
    QLabel* m_refused;
    QPushButton* m_test;
    QFutureWatcher<Done> m_testRun;
    ServerSettings m_testedSettings;
};
