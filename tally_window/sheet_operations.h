#pragma once

// Operations on the whole tally sheet started by its links and buttons.
// Each writes its fields in a fixed order; every write raises the field's
// change reaction, and the totals follow at the next recalculation tick.

#include "tally_window/tally_fields.h"

// Turns the four length blocks into two pairs for diameters up to 58 cm.
void switchToExtendedLayout(const TallyFields& fields);
// Back to four lengths with diameters 4 to 30 cm in every block.
void switchToStandardLayout(const TallyFields& fields);

// The diameter class of a row (1 to 14) in blocks 1 and 3 of a layout;
// blocks 0 and 2 always hold the standard ones.
QString layoutDiameter(int row, bool extended);

// Empties counts, volumes and the buyer and restores the diameter classes of
// the layout in force; keeps lengths, prices and the other bill fields.
void clearTallySheet(const TallyFields& fields);
