#pragma once

// The workbook's file as the office's passes meet it: its URL, its lock
// file, and why a store failed in the terms of its folder and disk.

#include "records/workbook.h"

#include <optional>
#include <rtl/ustring.hxx>

rtl::OUString fileUrl(const QString& path);
QString lockFilePath(const QString& path);
// What a lock file says (who holds the workbook); no value when there is none.
std::optional<QByteArray> lockFileText(const QString& lockFile);
// Too little room for the office's copy of the file.
bool diskNearlyFull(const QString& path);
// Why a store that the office refused failed.
Failure storeFailure(const QString& path, const QString& detail);
class OfficeProcess;

// Removes a lock that an office of ours (on that profile) left, one left
// empty by an office killed while making it, or one the office made in the
// pass it died in.
void removeOwnStaleLock(const QString& path, const QString& profileUrl, OfficeProcess& office);
