#pragma once

// The three unit price files 1(0).txt, 1(1).txt, 1(2).txt: each holds one
// price text followed by CR LF, in the system's code page.

#include "support/failure.h"

#include <QString>
#include <QStringList>
#include <optional>

constexpr int priceGroupCount = 3;

// The folder the price files live in when none is given.
QString defaultPriceFolder();

QString priceFilePath(const QString& folder, int group);

// The text of one price file without its closing CR LF; no text when the
// file does not exist. A file that is there but does not read is a failure
// (priceFileReadMessage() tells the clerk); one far too large is set aside.
Result<std::optional<QString>> readPriceFile(const QString& path);

// Writes the three texts, each file replaced whole or not at all; a failure
// is logged and names the file (fileFailureMessage() with 单价文件).
Done writePriceFiles(const QString& folder, const QStringList& texts);
