#include "unit_prices/price_files.h"

#include "support/durable_file.h"
#include "support/event_log.h"
#include "support/failure_text.h"
#include "support/regular_file.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <memory>
#include <vector>

namespace {

const QByteArray lineBreak("\r\n");

// Far more than any price text a field holds.
constexpr qint64 priceFileLimit = 1024 * 1024;

Done saveFailure(Done result)
{
    logEvent(QStringLiteral("unit prices not saved: %1").arg(result.logText()));
    return result;
}

} // namespace

QString defaultPriceFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/");
#else
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
}

QString priceFilePath(const QString& folder, int group)
{
    return QDir(folder).filePath(QStringLiteral("1(%1).txt").arg(group));
}

Result<std::optional<QString>> readPriceFile(const QString& path)
{
    const RegularFileRead file = readRegularFile(path, priceFileLimit);
    switch (file.outcome) {
    case RegularFileRead::Absent:
        return std::optional<QString>();
    case RegularFileRead::Read:
        break;
    case RegularFileRead::NotRegular:
        // Left where it is: the clerk decides what it is.
        return Failure(FailureCause::NotAFile, path);
    case RegularFileRead::TooLarge: {
        const QString kept = setAside(path);
        logEvent(
            QStringLiteral("unit price file %1 %2, kept as '%3'").arg(path, file.detail, kept));
        return Failure(FailureCause::TooLarge, path, kept);
    }
    case RegularFileRead::Unreadable:
        logEvent(QStringLiteral("unit price file %1 not read: %2").arg(path, file.detail));
        return Failure(
            file.permissionDenied ? FailureCause::NoReadPermission : FailureCause::Unreadable, path,
            file.detail);
    }
    QByteArray bytes = file.bytes;
    // The save adds one line break; drop it so that saving again keeps the file as it was.
    if (bytes.endsWith(lineBreak))
        bytes.chop(lineBreak.size());
    QStringDecoder decode(QStringConverter::System);
    return std::optional<QString>(QString(decode(bytes)));
}

Done writePriceFiles(const QString& folder, const QStringList& texts)
{
    if (!QDir().mkpath(folder))
        return saveFailure(Failure(FailureCause::FolderMissing, priceFilePath(folder, 0),
            QStringLiteral("folder cannot be made")));

    // Every file is written and on the disk before any replaces its old
    // file, so a failure leaves all three as they were.
    std::vector<std::unique_ptr<DurableFile>> files;
    QStringEncoder encode(QStringConverter::System);
    for (int group = 0; group < priceGroupCount; ++group) {
        auto file = std::make_unique<DurableFile>(priceFilePath(folder, group));
        const Done written = file->write(QByteArray(encode(texts.value(group))) + lineBreak);
        if (!written.ok())
            return saveFailure(written);
        files.push_back(std::move(file));
    }
    for (const auto& file : files)
        if (const Done committed = file->commit(); !committed.ok())
            return saveFailure(committed);
    return {};
}
