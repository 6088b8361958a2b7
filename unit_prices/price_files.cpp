#include "unit_prices/price_files.h"

#include "support/durable_file.h"
#include "support/event_log.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <memory>
#include <vector>

namespace {

const QByteArray lineBreak("\r\n");

QString fileErrorCause(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("没有权限");
    case QFileDevice::OpenError:
        return QStringLiteral("无法打开或创建该文件（%1）").arg(file.errorString());
    case QFileDevice::WriteError:
    case QFileDevice::ResizeError:
        return QStringLiteral("写入失败，磁盘可能已满（%1）").arg(file.errorString());
    case QFileDevice::ReadError:
        return QStringLiteral("读取失败（%1）").arg(file.errorString());
    default:
        return file.errorString();
    }
}

// The system's own words go to the log, the cause in Chinese to the clerk.
QString saveFailure(const WriteResult& result)
{
    logEvent(QStringLiteral("unit prices not saved: %1").arg(result.logText()));
    const QString path = QDir::toNativeSeparators(result.path());
    switch (result.cause()) {
    case WriteFailure::DiskFull:
        return QStringLiteral("无法保存单价文件：磁盘已满（文件“%1”没有改动）。").arg(path);
    case WriteFailure::NotWritable:
        return QStringLiteral("无法保存单价文件“%1”：没有权限").arg(path);
    default:
        break;
    }
    return QStringLiteral("无法保存单价文件“%1”：无法打开或创建该文件").arg(path);
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
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法读取单价文件“%1”：%2")
                     .arg(QDir::toNativeSeparators(path), fileErrorCause(file));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
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
        const WriteResult written = file->write(QByteArray(encode(texts.value(group))) + lineBreak);
        if (!written.ok())
            return saveFailure(written);
        files.push_back(std::move(file));
    }
    for (const auto& file : files)
        if (const WriteResult committed = file->commit(); !committed.ok())
            return saveFailure(committed);
    return {};
}
