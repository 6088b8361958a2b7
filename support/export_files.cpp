#include "support/export_files.h"

#include "support/durable_file.h"
#include "support/event_log.h"
#include "support/failure_text.h"

QString writeWholeFile(const QString& path, const QByteArray& bytes)
{
    const Done written = writeFileDurably(path, bytes);
    if (written.ok())
        return {};
    logEvent(QStringLiteral("export %1 failed: %2").arg(path, written.logText()));
    return fileFailureMessage(written.error());
}
