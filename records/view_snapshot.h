#pragma once

// Workbooks are shown to the user as copies with names of their own, in a
// temporary folder: a view never holds the live file, and a view still open
// from before can never stand in for a newer one.

#include <QString>

// A new, unused path for a view copy of the workbook. Copies older than a
// day are removed on the way.
QString viewSnapshotPath(const QString& workbook);
