#pragma once

#include <QDate>
#include <QString>
#include <optional>

class Worksheet;

// The number a whole text reads as, surrounding blanks aside: an optional
// sign, digits with an optional point and decimals, an optional exponent,
// full-width forms of these read as ASCII.
// No value for an empty text, for anything else, or beyond the double range.
std::optional<double> wholeNumber(const QString& text);

// Stores a field text as if typed in, but never as a formula: a text that
// reads as a number becomes that number, an empty text clears the cell,
// every other text is stored as the characters typed.
void writeAsTyped(Worksheet& sheet, int row, int column, const QString& text);

// A day as spreadsheets count it: days since 1899-12-30.
double dateSerial(const QDate& day);
