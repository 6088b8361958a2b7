#pragma once

// A field the clerk types a number into carries a mark while its text is
// not what the books can take, or does not plainly read as the number it is
// counted as: red, underlined text and a tooltip saying why. The mark
// follows every change of the text and never touches the text itself, so
// values, tab stops and the recalculation stay as they are. Unmarked, the
// field shows its own tooltip again.

#include "field_text/field_text.h"
#include "input_marks/value_rules.h"

class QLineEdit;

// A diameter: marked while its text is not plainly a number.
void markTypedNumbers(QLineEdit* field, TypedNumber kind);

// A count in a block of the sheet, by countNote. It follows the block's
// length too, so typing the length takes that mark away.
void markTypedCount(QLineEdit* count, const QLineEdit* length);

// A length, by lengthNote.
void markTypedLength(QLineEdit* length);

// A unit price the clerk types, by priceNote.
void markTypedPrice(QLineEdit* price);
// A field that shows a copy of the unit price `typed` (in another form):
// marked as that price is.
void markCopiedPrice(QLineEdit* shown, const QLineEdit* typed);
