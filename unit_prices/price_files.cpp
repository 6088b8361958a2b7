#include "unit_prices/price_files.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
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

    // Every file is opened before anything is written, and each replaces its
    // old file only when it is complete.
    std::vector<std::unique_ptr<QSaveFile>> files;
    for (int group = 0; group < priceGroupCount; ++group) {
        auto file = std::make_unique<QSaveFile>(priceFilePath(folder, group));
        if (!file->open(QIODevice::WriteOnly))
            return QStringLiteral("无法保存单价文件“%1”：%2")
                .arg(QDir::toNativeSeparators(file->fileName()), fileErrorCause(*file));
        files.push_back(std::move(file));
    }
    QStringEncoder encode(QStringConverter::System);
    for (int group = 0; group < priceGroupCount; ++group) {
        QSaveFile& file = *files[group];
        const QByteArray bytes = QByteArray(encode(texts.value(group))) + lineBreak;
        if (file.write(bytes) != bytes.size() || !file.commit())
            return QStringLiteral("无法保存单价文件“%1”：%2")
                .arg(QDir::toNativeSeparators(file.fileName()), fileErrorCause(file));
    }
    return {};
}
