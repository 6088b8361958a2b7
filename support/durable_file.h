#pragma once

// Every file the program writes itself is replaced whole or not at all: the
// bytes go to a temporary file beside the target, are flushed, checked and
// synced to the disk, the temporary file is renamed over the target and the
// folder is synced, so a crash or a power cut leaves the old file or the new
// one, never a part. The file is the user's alone (0600), and only a
// regular file is replaced: never a link, a FIFO or a device.

#include "support/failure.h"

#include <QByteArray>
#include <QString>
#include <memory>

class QSaveFile;

// One file written in two steps, for writers that need several files on the
// disk before any replaces its old one, or a moment between the two.
// Destroyed before commit(), it leaves the old file as it was.
class DurableFile {
public:
    explicit DurableFile(const QString& path);
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // The new bytes, on the disk beside the target.
    Done write(const QByteArray& bytes);
    // The target replaced by what write() put on the disk.
    Done commit();

    QString path() const { return m_path; }

private:
    Done failed(const QString& step, int systemError);

    QString m_path;
    qint64 m_size = 0;
    std::unique_ptr<QSaveFile> m_file;
};

Done writeFileDurably(const QString& path, const QByteArray& bytes);

// A file that must not replace one already there (a moved workbook): the
// bytes are written beside it, synced and read back, then take its name only
// if the name is free, and the folder is synced.
Done createFileDurably(const QString& path, const QByteArray& bytes);

// Renames `from` to `to` in one folder and syncs the folder. A link is
// renamed itself, never followed; `to` is replaced when it exists.
bool renameDurably(const QString& from, const QString& to);

// Removes the file at `path` (a link itself, never where it points) and
// syncs its folder, so that a removal the program relies on (the loads
// stored, a moved workbook) is not undone by a power cut. A name already
// free counts as removed; a folder at the name is not removed.
Done removeFileDurably(const QString& path);

// A write cut short by a crash leaves its temporary file beside the target;
// returns how many were removed.
int removeLeftoverWrites(const QString& path);
