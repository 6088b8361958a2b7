#pragma once

// The spreadsheet layer on LibreOffice Calc through its C++ UNO API: one
// background headless office per program run, reused by every pass. Passes
// are serialised; each has a deadline after which the office is killed, so
// a hung office ends in an error instead of a frozen window.

#include "records/workbook.h"

#include <functional>
#include <memory>

struct OfficeSettings {
    QString programFolder = QStringLiteral("/usr/lib/libreoffice/program");
    // Our own profile; empty for one under the user's cache folder.
    QString profileFolder;
    int startSeconds = 60;
    int passSeconds = 30;
    // Opens a workbook for the user; false when it could not be started.
    std::function<bool(const QString& path)> launcher;
};

class LibreOfficeSpreadsheet : public Spreadsheet {
public:
    explicit LibreOfficeSpreadsheet(OfficeSettings settings = {});
    ~LibreOfficeSpreadsheet() override;

    std::unique_ptr<Workbook> open(const QString& path) override;
    std::unique_ptr<Workbook> create() override;
    void show(const QString& path) override;

    // Starts the office now, so the first pass finds it running.
    void warmUp();
    // Removes the temporary files (lu*.tmp) that an office of ours killed
    // while saving left in the folder: only files of this user from before
    // this program started, and none while a lock file there names somebody
    // else, whose office may be saving. Returns how many it removed.
    int removeLeftoverTempFiles(const QString& folder) const;
    // The office process of ours, for tests that kill or stop it.
    qint64 officePid() const;
    // How many office processes run on our profile: one at most, for checks
    // that a failure left none behind.
    int officeProcessCount() const;
    // How many office processes run on the profile in that folder.
    static int officeProcessesOn(const QString& profileFolder);

    struct Private;

private:
    std::unique_ptr<Private> d;
};

// Opens the file read-only in the user's own desktop LibreOffice.
bool openInDesktopOffice(const QString& path);
