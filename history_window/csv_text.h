#pragma once

// The loads as a CSV file the clerk opens in any spreadsheet program:
// UTF-8 with a byte order mark (so Excel reads the Chinese), CR LF line
// ends, and RFC 4180 quoting. A spreadsheet program runs a cell that begins
// with =, +, -, @, a tab or a carriage return as a formula: such a text is
// written with a leading apostrophe, so it opens as the text it is.

#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <QVector>

// A text field: an apostrophe before a text that would run, quoted when it
// holds a comma, a quote or a line break; quotes inside are doubled.
QString csvField(const QString& text);
// A field of a column the program fills with numbers: a plain number (a
// negative amount too) is written as it is, anything else as a text.
QString csvNumberField(const QString& text);
// `numberColumns`: the columns written by csvNumberField, the rest by csvField.
QByteArray csvBytes(const QVector<QStringList>& rows, const QSet<int>& numberColumns = {});
