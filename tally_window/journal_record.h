#pragma once

// The journal's contents and their JSON form. A record that does not read
// back field for field is refused as a whole: a journal is restored exactly
// or not at all.

#include "tally/tally.h"

#include <QByteArray>
#include <optional>

struct JournalRecord {
    // Whether the program that wrote it ended in order (exit, close, SIGTERM).
    bool clean = false;
    // What the scaler typed (typedPart): the rest follows from it.
    Tally tally;
    // The tally as it was before the last clearing, while that can be undone.
    std::optional<Tally> beforeClear;
    // Ended by the exit button with a tally not yet in the books: the next
    // start puts it back.
    bool keptAtExit = false;

    bool operator==(const JournalRecord& other) const
    {
        return clean == other.clean && keptAtExit == other.keptAtExit && tally == other.tally
            && beforeClear == other.beforeClear;
    }
    bool operator!=(const JournalRecord& other) const { return !(*this == other); }
};

QByteArray journalJson(const JournalRecord& record);
// Empty when the bytes are not a complete record of this format, or of the
// first one, which named each field.
std::optional<JournalRecord> parseJournalJson(const QByteArray& bytes);
