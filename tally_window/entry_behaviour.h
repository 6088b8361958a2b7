#pragma once

// The entry behaviour of the tally sheet fields:
// - change reactions: whenever any element of a totals array or of a grid
//   row changes (typed or written by code), its tested elements whose text
//   sorts below a threshold are emptied, so zeros stay out of sight; unit
//   prices are rewritten in the "0.00" form. The reactions run inside the
//   write that raised them.
// - keys: Enter anywhere in the window queues a Tab; Up and Down step along
//   a grid row, wrapping at its ends.

#include "tally_window/tally_fields.h"

class QWidget;

void installEntryBehaviour(QWidget* window, const TallyFields& fields);
