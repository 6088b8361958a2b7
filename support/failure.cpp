#include "support/failure.h"

QString causeName(FailureCause cause)
{
    switch (cause) {
    case FailureCause::None:
        return QStringLiteral("ok");
    case FailureCause::FolderMissing:
        return QStringLiteral("folder missing");
    case FailureCause::NotWritable:
        return QStringLiteral("not writable");
    case FailureCause::DiskFull:
        return QStringLiteral("disk full");
    case FailureCause::NotAFile:
        return QStringLiteral("not a regular file");
    case FailureCause::Link:
        return QStringLiteral("a link");
    case FailureCause::TimedOut:
        return QStringLiteral("timed out");
    case FailureCause::OfficeMissing:
        return QStringLiteral("office missing");
    case FailureCause::OfficeFailedToStart:
        return QStringLiteral("office failed to start");
    case FailureCause::OfficeNotResponding:
        return QStringLiteral("office not responding");
    case FailureCause::WorkbookMissing:
        return QStringLiteral("workbook missing");
    case FailureCause::WorkbookUnreadable:
        return QStringLiteral("workbook unreadable");
    case FailureCause::WorkbookOpenElsewhere:
        return QStringLiteral("open elsewhere");
    case FailureCause::WorkbookReadOnly:
        return QStringLiteral("read-only");
    case FailureCause::FolderNotWritable:
        return QStringLiteral("folder not writable");
    case FailureCause::WorkbookDamaged:
        return QStringLiteral("damaged");
    case FailureCause::SheetMissing:
        return QStringLiteral("sheet missing");
    case FailureCause::SheetProtected:
        return QStringLiteral("sheet protected");
    case FailureCause::Locked:
        return QStringLiteral("locked");
    case FailureCause::Damaged:
        return QStringLiteral("damaged");
    case FailureCause::DamagedLoad:
        return QStringLiteral("damaged load");
    case FailureCause::NewerSchema:
        return QStringLiteral("newer schema");
    case FailureCause::Unreachable:
        return QStringLiteral("unreachable");
    case FailureCause::LoginRefused:
        return QStringLiteral("login refused");
    case FailureCause::DatabaseMissing:
        return QStringLiteral("database missing");
    case FailureCause::NoRight:
        return QStringLiteral("no right");
    case FailureCause::StationTaken:
        return QStringLiteral("station taken");
    case FailureCause::StationNotAllowed:
        return QStringLiteral("station not allowed");
    case FailureCause::SchemaOutdated:
        return QStringLiteral("schema outdated");
    case FailureCause::NotEncrypted:
        return QStringLiteral("not encrypted");
    case FailureCause::CertificateMismatch:
        return QStringLiteral("certificate mismatch");
    case FailureCause::CertificateMissing:
        return QStringLiteral("certificate missing");
    case FailureCause::SocketNotSafe:
        return QStringLiteral("socket not safe");
    case FailureCause::OutOfRange:
        return QStringLiteral("out of range");
    case FailureCause::PaymentIncomplete:
        return QStringLiteral("payment incomplete");
    case FailureCause::AlreadyReversed:
        return QStringLiteral("already reversed");
    case FailureCause::ReversalNotReversible:
        return QStringLiteral("reversal not reversible");
    case FailureCause::JoinRefused:
        return QStringLiteral("join refused");
    case FailureCause::JoinIntoJoined:
        return QStringLiteral("join into joined");
    case FailureCause::JoinOfPartner:
        return QStringLiteral("join of partner");
    case FailureCause::RefusedByServer:
        return QStringLiteral("refused by server");
    case FailureCause::HostsMixed:
        return QStringLiteral("hosts mixed");
    case FailureCause::NoReadPermission:
        return QStringLiteral("no read permission");
    case FailureCause::Unreadable:
        return QStringLiteral("unreadable");
    case FailureCause::TooLarge:
        return QStringLiteral("too large");
    case FailureCause::ServerNotSet:
        return QStringLiteral("no server set");
    case FailureCause::WaitingNotUpdated:
        return QStringLiteral("waiting loads not updated");
    case FailureCause::BackupHasLinks:
        return QStringLiteral("backup holds a link");
    case FailureCause::BackupMismatch:
        return QStringLiteral("backup does not match its manifest");
    case FailureCause::BackupForeignHistory:
        return QStringLiteral("backup history not ours");
    case FailureCause::Other:
        break;
    }
    return QStringLiteral("error");
}

QString Failure::logText() const
{
    return QStringLiteral("%1 %2: %3").arg(causeName(m_cause), m_path, m_detail);
}

QString Result<void>::logText() const
{
    return m_failure ? m_failure->logText() : causeName(FailureCause::None);
}
