#pragma once

// Amounts of money as the clerk types and reads them: yuan with at most two
// decimals, held exactly in fen.

#include <QString>
#include <optional>

// The largest amount one payment may have: 10 000 000 000 yuan, in fen.
constexpr qint64 largestPaymentFen = 1'000'000'000'000LL;

// "1234", "1234.5" or "1234.56" (spaces around allowed) as fen; nothing for
// any other text, for zero or less and above largestPaymentFen.
std::optional<qint64> paymentFen(const QString& text);

// A text usable as a file's name: the characters a file name cannot hold,
// and any leading dot, replaced.
QString fileNameText(const QString& text);

// A partner's name as a window shows it: a name edited into the history by
// hand may be megabytes long, and is cut to what a cell or title can hold.
// Its own direction controls are dropped and it is isolated (U+2068 …
// U+2069), so no name, whatever its script, can reorder the figures beside it.
QString shownName(const QString& name);
// The same without the isolate, for a file's name.
QString plainName(const QString& name);
