#pragma once

// A field the clerk types a number into carries a mark while its text does
// not plainly read as the number it is counted as ("l0", "5a", "溢出", a
// fractional count): red, underlined text and a tooltip saying what it is
// counted as. The mark follows every change of the text and never touches
// the text itself, so values, tab stops and the recalculation stay as they are.

#include "field_text/field_text.h"

class QLineEdit;

void markTypedNumbers(QLineEdit* field, TypedNumber kind);
