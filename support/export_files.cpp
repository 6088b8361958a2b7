#include "support/export_files.h"

#include "support/durable_file.h"
#include "support/event_log.h"

Done writeWholeFile(const QString& path, const QByteArray& bytes)
{
    Done written = writeFileDurably(path, bytes);
    if (!written)
        logEvent(QStringLiteral("export %1 failed: %2").arg(path, written.logText()));
    return written;
}
