#pragma once

// Where this station's history goes: the yard's server and the station's
// name there. Reads the configuration file when opened and writes it on
// 保存; 测试连接 tries the typed settings on a worker thread, so the window
// never hangs on a server that does not answer.

#include "history/server_settings.h"

#include <QDialog>
#include <QFutureWatcher>

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

signals:
    void saved(const ServerSettings& settings);

private:
    void testConnection();
    void showTestResult();
    void save();

    QString m_settingsFile;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QLineEdit* m_database;
    QLineEdit* m_user;
    QLineEdit* m_station;
    QLabel* m_result;
    QPushButton* m_test;
    QFutureWatcher<QString> m_testRun;
};
