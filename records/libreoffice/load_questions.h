#pragma once

// What a workbook load asks: our own interaction handler answers every
// question of the office by aborting it (approving only a lock file that
// cannot be made), and remembers what was asked, so that a failed load can
// be named: locked by someone else, unreachable, missing or damaged.

#include "records/workbook.h"

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/ucb/IOErrorCode.hpp>
#include <cppuhelper/implbase1.hxx>
#include <optional>

class AbortingHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    bool sawLock = false;
    // What the office said when it could not read the file itself.
    std::optional<css::ucb::IOErrorCode> fileError;

    void SAL_CALL handle(
        const css::uno::Reference<css::task::XInteractionRequest>& request) override;
};

// A load that failed is the file's fault only when the office read it:
// when it could not reach the file at all, that is what the user is told.
Failure loadFailure(const AbortingHandler& handler, const QString& path, const QString& detail);
