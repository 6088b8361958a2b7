#pragma once

// The three unit price files 1(0).txt, 1(1).txt, 1(2).txt: each holds one
// price text followed by CR LF, in the system's code page.

#include <QString>
#include <QStringList>
#include <optional>

constexpr int priceGroupCount = 3;

// The folder the price files live in when none is given.
QString defaultPriceFolder();

QString priceFilePath(const QString& folder, int group);

// The text of one price file without its closing CR LF; no value when the
// file does not exist. A file that exists but cannot be read gives no value
// and a Chinese description in `error`.
std::optional<QString> readPriceFile(const QString& path, QString* error);

// Writes the three texts, each file replaced whole or not at all. Returns an
// empty text on success, else a Chinese message naming the file and cause.
QString writePriceFiles(const QString& folder, const QStringList& texts);
