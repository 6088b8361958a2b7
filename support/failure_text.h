#pragma once

// What the clerk reads of a failure: every cause in Chinese, in one place.
// The office's, the database's and the system's own words go to the log.

#include "support/failure.h"

// The one wording of a full disk, as a clause after what was not saved:
// "磁盘已满，请在文件夹“…”所在的磁盘上腾出空间".
QString diskFullText(const QString& folder);

// A file the program writes for the clerk, `noun` naming its kind.
QString fileFailureMessage(const Failure& failure, const QString& noun = QStringLiteral("文件"));

// A unit price file that was there but not read.
QString priceFileReadMessage(const Failure& failure);

// A workbook pass: the cause and what to do.
QString failureMessage(const Failure& failure);

// Why a backup is refused whole, as a clause: "其中的文件与备份清单不符".
QString backupRefusalText(const Failure& failure);

// The history. Without `failedRead`, as a posting or the server settings
// tell it, naming the file or server in full: "历史数据库“…”已损坏". With
// it, as the history window tells a read it could not make, naming the file
// alone and what was not read: "合计读不出来：历史数据库“quorvane.sqlite”已损坏。"
// A load whose texts do not read is the one load the window was asked to open.
QString historyFailureMessage(const Failure& failure, const QString& failedRead = {});
