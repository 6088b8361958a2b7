#include "unit_prices/price_files.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>
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

// QSaveFile buffers writes and commits even when its flush failed (a full
// disk then leaves an empty file in place of the old one): each step is
// checked here, down to the data reaching the disk.
bool writeToDisk(QSaveFile& file, const QByteArray& bytes)
{
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError)
        return false;
    return ::fsync(file.handle()) == 0;
}

QString saveFailure(QSaveFile& file, int error)
{
    const QString path = QDir::toNativeSeparators(file.fileName());
    const bool full = error == ENOSPC || error == EDQUOT;
    file.cancelWriting();
    if (full)
        return QStringLiteral("无法保存单价文件：磁盘已满（文件“%1”没有改动）。").arg(path);
    const QString cause = file.error() != QFileDevice::NoError ? fileErrorCause(file)
                                                               : QString::fromLocal8Bit(strerror(error));
    return QStringLiteral("无法保存单价文件“%1”：%2").arg(path, cause);
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
    std::vector<std::unique_ptr<QSaveFile>> files;
    QStringEncoder encode(QStringConverter::System);
    for (int group = 0; group < priceGroupCount; ++group) {
        auto file = std::make_unique<QSaveFile>(priceFilePath(folder, group));
        const QByteArray bytes = QByteArray(encode(texts.value(group))) + lineBreak;
        if (!file->open(QIODevice::WriteOnly))
            return saveFailure(*file, errno);
        if (!writeToDisk(*file, bytes))
            return saveFailure(*file, errno);
        files.push_back(std::move(file));
    }
    for (const auto& file : files)
        if (!file->commit())
            return saveFailure(*file, errno);
    return {};
}
