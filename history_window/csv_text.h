#pragma once

// The loads as a CSV file the clerk opens in any spreadsheet program:
// UTF-8 with a byte order mark (so Excel reads the Chinese), CR LF line
// ends, and RFC 4180 quoting.

#include <QByteArray>
#include <QStringList>
#include <QVector>

// A field quoted when it holds a comma, a quote or a line break; quotes
// inside are doubled.
QString csvField(const QString& text);
QByteArray csvBytes(const QVector<QStringList>& rows);
