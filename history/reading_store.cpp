#include "history/reading_store.h"

#include "history/postgres_history_store.h"
#include "history/sqlite_history_store.h"

ReadingStore openReadingStore(const ServerSettings& settings, const QString& localPath)
{
    ReadingStore reading;
    if (settings.isSet()) {
        try {
            reading.store = std::make_unique<PostgresHistoryStore>(settings);
            reading.shared = true;
            return reading;
        } catch (const Failure& error) {
            qWarning("history server not read: %s %s", qPrintable(error.path()),
                qPrintable(error.detail()));
            reading.notice
                = historyFailureMessage(error) + QStringLiteral("，现在显示的是本机的记录");
        }
    }
    reading.store = std::make_unique<SqliteHistoryStore>(localPath);
    return reading;
}
