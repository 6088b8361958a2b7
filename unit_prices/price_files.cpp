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

QString readFailureCause(const RegularFileRead& file)
{
    return file.permissionDenied ? QStringLiteral("没有权限") : QStringLiteral("读取失败");
}

// The system's own words go to the log, the cause in Chinese to the clerk.
QString saveFailure(const Done& result)
{
    logEvent(QStringLiteral("unit prices not saved: %1").arg(result.logText()));
    return fileFailureMessage(result.error(), QStringLiteral("单价文件"));
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

std::optional<QString> readPriceFile(const QString& path, QString* error)
{
    const QString shown = QDir::toNativeSeparators(path);
    const RegularFileRead file = readRegularFile(path, priceFileLimit);
    switch (file.outcome) {
    case RegularFileRead::Absent:
        return std::nullopt;
    case RegularFileRead::Read:
        break;
    case RegularFileRead::NotRegular:
        // Left where it is: the clerk decides what it is.
        *error
            = QStringLiteral("无法读取单价文件“%1”：它不是普通文件（可能是链接或设备），请将它移走")
                  .arg(shown);
        return std::nullopt;
    case RegularFileRead::TooLarge: {
        const QString kept = setAside(path);
        logEvent(
            QStringLiteral("unit price file %1 %2, kept as '%3'").arg(path, file.detail, kept));
        *error = kept.isEmpty() ? QStringLiteral("单价文件“%1”过大，已损坏，没有读取").arg(shown)
                                : QStringLiteral("单价文件“%1”过大，已损坏，没有读取；已另存为“%2”")
                                      .arg(shown, QDir::toNativeSeparators(kept));
        return std::nullopt;
    }
    case RegularFileRead::Unreadable:
        logEvent(QStringLiteral("unit price file %1 not read: %2").arg(path, file.detail));
        *error = QStringLiteral("无法读取单价文件“%1”：%2").arg(shown, readFailureCause(file));
        return std::nullopt;
    }
    QByteArray bytes = file.bytes;
    // The save adds one line break; drop it so that saving again keeps the file as it was.
    if (bytes.endsWith(lineBreak))
        bytes.chop(lineBreak.size());
    QStringDecoder decode(QStringConverter::System);
    return QString(decode(bytes));
}

QString writePriceFiles(const QString& folder, const QStringList& texts)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法保存单价：文件夹“%1”无法创建。")
            .arg(QDir::toNativeSeparators(folder));

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
