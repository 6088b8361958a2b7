#pragma once

// The tally window's texts as a load of the history, and back: into a bill
// for a reprint, or into the tally sheet for editing.

#include "history/load_record.h"
#include "records/bill_export.h"
#include "tally_window/tally_state.h"

LoadRecord loadRecordOf(const BillFields& fields, LoadKind kind, const QDateTime& recordedAt);
BillFields billFieldsOf(const LoadRecord& load);
// What the scaler typed; the volumes and totals follow from it.
TallyState tallyStateOf(const LoadRecord& load);
