#pragma once

// Every value of a tally is the text of a field. These functions are the one
// way such texts become numbers and numbers become texts again.

#include <QString>

// Shown instead of a number for values beyond the double range (and NaN),
// prefixed by "-" for negative overflow. leadingNumber reads it back as an
// infinity, so an overflow is never summed into a wrong finite total.
inline const QString overflowText = QStringLiteral("溢出");

// The leading decimal number of the text, with spaces, tabs and line feeds
// removed wherever they stand; 0 when there is none. "." is the decimal
// point whatever the locale. Full-width digits, point, plus and minus read
// as their ASCII forms.
double leadingNumber(const QString& text);

// The same for a text the user typed (counts, diameters, lengths, prices):
// there the overflow text is just letters and reads as 0.
double typedNumber(const QString& text);

// The text with full-width digits, point, plus and minus in ASCII.
QString asciiNumberForms(const QString& text);

enum class TypedNumber { Number, Count };

// Why a typed text may not count as what it looks like: empty when it is
// entirely a number (a whole one for a count) or empty, else a short note
// for the clerk saying what it is counted as.
QString typedNumberNote(const QString& text, TypedNumber kind);

// Shortest text with at most 15 significant digits: 37, 2.5, 0.3, 1E+20.
QString plainNumberText(double value);

// Fixed pattern "0.00", "0.000", "0.0000": exactly `decimals` decimals,
// halves rounded away from zero on the value's 15-significant-digit decimal
// text (so 2.675 gives 2.68), never "-0.00".
QString patternText(double value, int decimals);

// Code unit by code unit comparison; a proper prefix sorts first.
bool sortsBelow(const QString& text, const QString& threshold);
