#pragma once

#include "records/workbook.h"

// The Chinese message that tells the user what failed and what to do.
QString failureMessage(const WorkbookError& error);
