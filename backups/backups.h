#pragma once

// The window 备份与恢复: the backups of both places, newest first, with
// their date, loads in the history, rows posted in the ledger, size, place
// and state; the second
// place; 立即备份; and the restore of a whole backup or of one of its
// files. Everything it shows comes from the BackupService, read on its
// worker (listed); everything it does is a call to it.

#include "backups/backup_store.h"

#include <QWidget>
#include <functional>

class BackupService;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

class Backups : public QWidget {
    Q_OBJECT

public:
    explicit Backups(BackupService& service, QWidget* parent = nullptr);

    // Reads the list again (on the service's worker).
    void refresh();
    // The folder dialog, replaceable by tests.
    void setFolderChooser(std::function<QString()> choose) { m_chooseFolder = std::move(choose); }

private:
    void build();
    void showBackups(const QList<BackupInfo>& backups);
    void showFiles();
    void chooseSecondPlace();
    void showOnlyHere();
    void restoreSelected(bool wholeBackup);
    const BackupInfo* selected() const;

    BackupService& m_service;
    QList<BackupInfo> m_backups;
    std::function<QString()> m_chooseFolder;
    QTableWidget* m_table = nullptr;
    QListWidget* m_files = nullptr;
    QLineEdit* m_secondPlace = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_onlyHere = nullptr;
    // The groups of the selected backup's settings, unticked until the
    // clerk ticks them; only a whole restore puts them back.
    QWidget* m_settings = nullptr;
    QList<QCheckBox*> m_settingsGroups;
    QPushButton* m_restoreWhole = nullptr;
    QPushButton* m_restoreFile = nullptr;
};

// A size as the list shows it: "340 KB", "1.2 MB".
QString backupSizeText(qint64 bytes);
