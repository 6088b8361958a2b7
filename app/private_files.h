#pragma once

// The yard's books are the user's alone, whatever the umask the program was
// started with: every folder it makes is 0700 and every file 0600, those of
// the background office included (it inherits the umask). What an earlier
// run or version left readable to others is tightened at start.

#include <QString>

struct TallyFolders;

// First thing in main(), before any file or process is made.
void makeNewFilesPrivate();

// Takes the group's and others' rights from the data, configuration and
// cache folders and everything in them, from the unit price files, and
// from the workbooks and the bill archive: the workbook folder itself too,
// unless it is the folder of the executable (a program run from its build
// folder). Links are never followed, only the user's own files changed.
// Returns how many were changed.
int tightenPrivateFiles(const TallyFolders& folders, const QString& cache);
