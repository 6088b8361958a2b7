#pragma once

// The office turns file URLs into file names through the character set of
// its locale, taken from LC_ALL, LC_CTYPE or LANG. Under a locale that is not
// UTF-8 (LANG=C, or none set at all) a Chinese file name cannot be reached,
// and the load fails as if the workbook were damaged. Every office we start
// gets a UTF-8 locale of its own.

#include <QProcessEnvironment>

// For our headless office: the same locale whatever the user's, so it reads,
// writes and shows cells the same way everywhere.
QProcessEnvironment headlessOfficeEnvironment(
    const QProcessEnvironment& base = QProcessEnvironment::systemEnvironment());

// For the user's desktop office: the user's locale where it is UTF-8, else
// C.UTF-8; its messages in Chinese where the system has that locale.
QProcessEnvironment desktopOfficeEnvironment(
    const QProcessEnvironment& base = QProcessEnvironment::systemEnvironment());

// Whether the locale these variables select uses UTF-8.
bool localeIsUtf8(const QProcessEnvironment& environment);
