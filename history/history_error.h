#pragma once

// How the history fails, and the one wording of it a clerk reads. A store
// throws HistoryError from its writes and from opening; its reads hand back
// a HistoryResult, the value or the failure, so a caller cannot miss one.

#include "support/failure.h"

using HistoryFailure = FailureCause;
using HistoryError = Failure;
template <typename T> using HistoryResult = Result<T>;

#include "support/failure_text.h"
