#pragma once

// A field the clerk types a number into carries a mark while its text does
// not plainly read as the number it is counted as ("l0", "5a", "溢出", a
// fractional count): red, underlined text and a tooltip saying what it is
// counted as. The mark follows every change of the text and never touches
// the text itself, so values, tab stops and the recalculation stay as they are.

#include "field_text/field_text.h"

class QLineEdit;

void markTypedNumbers(QLineEdit* field, TypedNumber kind);

// The mark of a count in a block of the sheet. Beside the marks above, a
// count that would price wrongly: a negative one (it subtracts), one above
// 9 999, one in a block whose length is empty or 0 (it adds no volume). It
// follows the block's length too, so typing the length takes that mark away.
void markTypedCount(QLineEdit* count, const QLineEdit* length);

// The note of a count's mark, empty for none.
QString countNote(const QString& count, const QString& length);
