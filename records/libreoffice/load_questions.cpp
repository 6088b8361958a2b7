#include "records/libreoffice/load_questions.h"

#include <com/sun/star/document/LockFileIgnoreRequest.hpp>
#include <com/sun/star/document/LockedDocumentRequest.hpp>
#include <com/sun/star/document/OwnLockOnDocumentRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/ucb/InteractiveIOException.hpp>

using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace {

template <typename Choice> bool select(const Reference<css::task::XInteractionRequest>& request)
{
    for (const auto& continuation : request->getContinuations()) {
        Reference<Choice> choice(continuation, UNO_QUERY);
        if (choice.is()) {
            choice->select();
            return true;
        }
    }
    return false;
}

} // namespace

void SAL_CALL AbortingHandler::handle(const Reference<css::task::XInteractionRequest>& request)
{
    const css::uno::Any question = request->getRequest();
    css::ucb::InteractiveIOException ioError;
    if (question >>= ioError)
        fileError = ioError.Code;
    if (question.isExtractableTo(cppu::UnoType<css::document::LockedDocumentRequest>::get())
        || question.isExtractableTo(cppu::UnoType<css::document::OwnLockOnDocumentRequest>::get()))
        sawLock = true;
    // No lock file can be made in a read-only folder: the office then
    // opens the document read-only, which still serves a reading pass;
    // a write is refused before any cell is touched.
    if (question.isExtractableTo(cppu::UnoType<css::document::LockFileIgnoreRequest>::get())
        && select<css::task::XInteractionApprove>(request))
        return;
    select<css::task::XInteractionAbort>(request);
}

Failure loadFailure(const AbortingHandler& handler, const QString& path, const QString& detail)
{
    if (!handler.fileError)
        return Failure(FailureCause::WorkbookDamaged, path, detail);
    const QString note
        = QStringLiteral("I/O error %1: %2").arg(int(*handler.fileError)).arg(detail);
    switch (*handler.fileError) {
    case css::ucb::IOErrorCode_NOT_EXISTING:
    case css::ucb::IOErrorCode_NOT_EXISTING_PATH:
    case css::ucb::IOErrorCode_NO_FILE:
        return Failure(FailureCause::WorkbookMissing, path, note);
    case css::ucb::IOErrorCode_WRONG_FORMAT:
    case css::ucb::IOErrorCode_WRONG_VERSION:
    case css::ucb::IOErrorCode_BAD_CRC:
        return Failure(FailureCause::WorkbookDamaged, path, note);
    default:
        return Failure(FailureCause::WorkbookUnreadable, path, note);
    }
}
