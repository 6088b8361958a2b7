#pragma once

// 帮助, opened by F1: the daily round, every key, what each pink link does,
// where the books are kept (with a button that opens each folder, or shows
// its path where no file manager answers), the second backup place and the
// yard server; the program's name and version at its foot.

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;

struct HelpFacts {
    QString version;
    QString workbooks; // the ledger and the bill's workbook
    QString bills; // the bill archive
    QString data; // the history, the tally journal and the log
    QString backups; // the data folder's backups
    QString settings; // quorvane.ini
    // Opens a folder in the file manager; false when none answers. By
    // default the desktop's file manager, when the desktop names one.
    std::function<bool(const QString& folder)> openFolder;
};

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(HelpFacts facts, QWidget* parent = nullptr);

    // In place of the desktop's file manager (a test's).
    void setFolderOpener(std::function<bool(const QString& folder)> open)
    {
        m_facts.openFolder = std::move(open);
    }
    // What the last folder button did, as the window says it.
    QString folderStatus() const;

private:
    QWidget* buildFolders();
    void open(const QString& folder);

    HelpFacts m_facts;
    QLabel* m_status = nullptr;
};

// Whether the desktop names a program for folders and can start it.
bool desktopOpensFolders();
