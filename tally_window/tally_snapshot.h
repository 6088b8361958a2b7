#pragma once

// The window's fields as a Tally, and a Tally back into the fields. The
// window stays the live model; a Tally is what a command or the journal
// takes of it at one moment.

#include "tally/tally.h"
#include "tally_window/tally_fields.h"

// Every text of the window and its layout.
Tally readTally(const TallyFields& fields);
// What the scaler types (typedPart) into the window: the layout first (it
// rewrites the diameter classes of blocks 1 and 3), then every text. Each
// write raises the field's change reaction as typing would; the volumes,
// totals and unit prices follow at the next recalculation tick.
void showTally(const TallyFields& fields, const Tally& tally);
