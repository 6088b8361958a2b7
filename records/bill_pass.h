#pragma once

// One press of the bill as it goes through the office: the bill saved, then
// its archive copy and PDF. A press on a worker thread waits here only until
// the bill is saved (or the pass ended without saving it); the copies go on
// after the press has returned.

#include "records/bill_archive.h"
#include "records/workbook.h"
#include "records/workbook_pass.h"

#include <condition_variable>
#include <mutex>
#include <optional>

struct BillPass {
    BillNumber number;
    int passes = 0; // 2 when the office was replaced and the pass tried again
    std::optional<Failure> archiveFailure;
    QString snapshot; // the view, when the archive copy could not be made
    bool pdfMade = false; // set by the pass
    bool shown = false; // the clerk's window shows the PDF; set on the window's thread
    PassOutcome outcome; // once ended

    // Called by the pass once the bill is on disk.
    void reportSaved();
    // Called once the pass ended, saved or not.
    void reportEnded(const PassOutcome& ended);
    // Whether the bill was saved, once it was or the pass ended.
    bool waitUntilSavedOrEnded();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_saved = false;
    bool m_ended = false;
};
