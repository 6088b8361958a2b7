#include "support/failure_text.h"

#include <QDir>
#include <QFileInfo>

QString diskFullText(const QString& folder)
{
    return QStringLiteral("磁盘已满，请在文件夹“%1”所在的磁盘上腾出空间").arg(folder);
}

QString fileFailureMessage(const Failure& failure, const QString& noun)
{
    const QFileInfo file(failure.path());
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    const QString head = QStringLiteral("无法保存%1“%2”：").arg(noun, file.fileName());
    switch (failure.cause()) {
    case FailureCause::FolderMissing:
        return head + QStringLiteral("文件夹“%1”不存在。").arg(folder);
    case FailureCause::NotWritable:
        return head + QStringLiteral("没有写入文件夹“%1”的权限。").arg(folder);
    case FailureCause::DiskFull:
        return head + diskFullText(folder) + QStringLiteral("，再试一次。");
    case FailureCause::NotAFile:
        return head + QStringLiteral("那里的不是普通文件（可能是链接），没有写入它。");
    default:
        break;
    }
    return head + QStringLiteral("这个文件无法写入。");
}

QString priceFileReadMessage(const Failure& failure)
{
    const QString shown = QDir::toNativeSeparators(failure.path());
    switch (failure.cause()) {
    case FailureCause::NotAFile:
        return QStringLiteral(
            "无法读取单价文件“%1”：它不是普通文件（可能是链接或设备），请将它移走")
            .arg(shown);
    case FailureCause::TooLarge:
        if (failure.detail().isEmpty())
            return QStringLiteral("单价文件“%1”过大，已损坏，没有读取").arg(shown);
        return QStringLiteral("单价文件“%1”过大，已损坏，没有读取；已另存为“%2”")
            .arg(shown, QDir::toNativeSeparators(failure.detail()));
    case FailureCause::NoReadPermission:
        return QStringLiteral("无法读取单价文件“%1”：没有权限").arg(shown);
    default:
        return QStringLiteral("无法读取单价文件“%1”：读取失败").arg(shown);
    }
}

// The office's causes name the workbook; any other cause is the office's.
QString failureMessage(const Failure& error)
{
    const QString file = QFileInfo(error.path()).fileName();
    const QString folder = QDir::toNativeSeparators(QFileInfo(error.path()).absolutePath());
    switch (error.cause()) {
    case FailureCause::OfficeMissing:
        return QStringLiteral("找不到电子表格程序（LibreOffice Calc），请先安装它。");
    case FailureCause::OfficeFailedToStart:
        return QStringLiteral("电子表格程序启动失败，请再试一次；仍然失败时，请把日志文件 "
                              "quorvane.log 交给管理员。");
    case FailureCause::OfficeNotResponding:
        return QStringLiteral("电子表格程序没有响应，已将其关闭；请再试一次。");
    case FailureCause::WorkbookMissing:
        return QStringLiteral("在文件夹“%1”中找不到工作簿“%2”。").arg(folder, file);
    case FailureCause::WorkbookUnreadable:
        return QStringLiteral("无法打开文件夹“%1”中的工作簿“%2”：读不到这个文件。")
            .arg(folder, file);
    case FailureCause::WorkbookOpenElsewhere:
        return QStringLiteral("工作簿“%1”正被其他程序打开或锁定，请先将其关闭，再试一次。")
            .arg(file);
    case FailureCause::WorkbookReadOnly:
        return QStringLiteral("工作簿“%1”是只读的，无法写入。").arg(file);
    case FailureCause::FolderNotWritable:
        return QStringLiteral("无法保存到文件夹“%1”：没有写入权限。").arg(folder);
    case FailureCause::DiskFull:
        return QStringLiteral("工作簿“%1”没有保存：").arg(file) + diskFullText(folder)
            + QStringLiteral("，再试一次。");
    case FailureCause::WorkbookDamaged:
        return QStringLiteral("工作簿“%1”已损坏或不是 Excel 97 工作簿，无法打开。").arg(file);
    case FailureCause::SheetMissing:
        return QStringLiteral("工作簿“%1”中没有工作表“%2”。").arg(file, error.detail());
    case FailureCause::SheetProtected:
        return QStringLiteral("工作簿“%1”中的工作表“%2”受保护，无法写入；没有写入任何内容。")
            .arg(file, error.detail());
    case FailureCause::NotAFile:
        return QStringLiteral("文件夹“%1”中的“%2”不是普通文件（可能是链接），不会写入它。")
            .arg(folder, file);
    case FailureCause::Link:
        return QStringLiteral(
            "文件夹“%1”中的“%2”是一个链接（可能指向别处），不会通过它打开或写入。")
            .arg(folder, file);
    default:
        break;
    }
    // The office's own words go to the log, never to the clerk.
    return QStringLiteral("电子表格程序出错，工作簿“%1”没有改动；请再试一次。").arg(file);
}

QString backupRefusalText(const Failure& failure)
{
    switch (failure.cause()) {
    case FailureCause::BackupHasLinks:
        return QStringLiteral("其中有链接或特殊文件，可能被别人改过");
    case FailureCause::BackupMismatch:
        return QStringLiteral("其中的文件与备份清单不符");
    case FailureCause::TimedOut:
        return QStringLiteral("其中的历史记录无法在规定时间内检查完");
    default:
        return QStringLiteral("其中的历史记录不是本程序建立的，或已损坏");
    }
}

namespace {

// The window's words: what was not read, the file by its name (the
// database's for a server), and whether waiting may help.
QString readFailureMessage(const Failure& error, const QString& failedRead)
{
    const QString file = QFileInfo(error.path()).fileName();
    switch (error.cause()) {
    case FailureCause::Unreachable:
        return QStringLiteral("%1：连接不上历史数据库“%2”，请稍后再试。").arg(failedRead, file);
    case FailureCause::Locked:
        return QStringLiteral("%1：历史数据库“%2”正被其他程序占用，请稍后再试。")
            .arg(failedRead, file);
    case FailureCause::Damaged:
        return QStringLiteral("%1：历史数据库“%2”已损坏。").arg(failedRead, file);
    case FailureCause::DamagedLoad:
        return QStringLiteral("这一车的记录已损坏，无法打开。");
    case FailureCause::OutOfRange:
        return QStringLiteral("%1：合计超出范围。").arg(failedRead);
    default:
        return QStringLiteral("%1：历史数据库“%2”出错，请稍后再试。").arg(failedRead, file);
    }
}

} // namespace

QString historyFailureMessage(const Failure& error, const QString& failedRead)
{
    if (!failedRead.isEmpty())
        return readFailureMessage(error, failedRead);
    const QString where = QDir::toNativeSeparators(error.path());
    switch (error.cause()) {
    case FailureCause::Locked:
        return QStringLiteral("历史数据库“%1”正被其他程序占用").arg(where);
    case FailureCause::Damaged:
    case FailureCause::DamagedLoad:
        return QStringLiteral("历史数据库“%1”已损坏").arg(where);
    case FailureCause::DiskFull:
        return QStringLiteral("历史数据库“%1”无法写入：").arg(where)
            + diskFullText(QDir::toNativeSeparators(QFileInfo(error.path()).absolutePath()));
    case FailureCause::NotWritable:
        return QStringLiteral("历史数据库“%1”无法写入").arg(where);
    case FailureCause::WaitingNotUpdated:
        return QStringLiteral("等待保存的历史记录文件“%1”无法更新").arg(where);
    case FailureCause::NewerSchema:
        return QStringLiteral("历史数据库“%1”由更新版本的程序建立，请更新本程序").arg(where);
    case FailureCause::ServerNotSet:
        return QStringLiteral("没有填写服务器");
    case FailureCause::Unreachable:
        return QStringLiteral("连接不上历史数据服务器“%1”").arg(where);
    case FailureCause::LoginRefused:
        return QStringLiteral("历史数据服务器“%1”拒绝登录，请检查用户名和密码").arg(where);
    case FailureCause::DatabaseMissing:
        return QStringLiteral("历史数据服务器“%1”上没有这个数据库").arg(where);
    case FailureCause::NoRight:
        return QStringLiteral(
            "用户没有在历史数据服务器“%1”上建表或写入的权限，请让管理员授权或先建立一次")
            .arg(where);
    case FailureCause::StationTaken:
        return QStringLiteral(
            "历史数据服务器“%"
            "1”上已有同名检尺站的不同记录，请在设置中给本机起一个别处没用过的检尺站名称")
            .arg(where);
    case FailureCause::StationNotAllowed:
        return QStringLiteral("历史数据服务器“%1”没有让本机的用户以这个检尺站名称保存记录，"
                              "请在设置中填写管理员为本机登记的检尺站名称")
            .arg(where);
    case FailureCause::SchemaOutdated:
        return QStringLiteral(
            "服务器上的历史数据表需要管理员升级，请联系管理员在历史数据服务器“%1”上运行升级脚本")
            .arg(where);
    case FailureCause::NotEncrypted:
        return QStringLiteral(
            "服务器没有启用加密连接，没有向历史数据服务器“%1”发送密码，请联系管理员")
            .arg(where);
    case FailureCause::CertificateMismatch:
        return QStringLiteral(
            "服务器的证书与设置中的不符，没有向历史数据服务器“%1”发送密码，请向管理员核对证书文件")
            .arg(where);
    case FailureCause::CertificateMissing:
        return QStringLiteral(
            "没有可用的服务器证书文件，请在检尺站设置中选择管理员给的历史数据服务器“%1”的证书")
            .arg(where);
    case FailureCause::SocketNotSafe:
        return QStringLiteral("历史数据服务器“%1”的本机连接所在的文件夹其他用户也能写入，"
                              "可能是冒充的服务器，没有发送密码；请填写系统的服务器文件夹"
                              "（如 /run/postgresql）或服务器的地址")
            .arg(where);
    case FailureCause::OutOfRange:
        return QStringLiteral("合计超出范围");
    case FailureCause::PaymentIncomplete:
        return QStringLiteral("款项要填往来单位、日期和大于零的金额");
    case FailureCause::AlreadyReversed:
        return QStringLiteral("这笔款已经冲销过了");
    case FailureCause::ReversalNotReversible:
        return QStringLiteral("冲销记录不能再冲销");
    case FailureCause::JoinRefused:
        return QStringLiteral("这两个名称不能合并：名称相同，或者要并入的名称已经合并过");
    case FailureCause::JoinIntoJoined:
        return QStringLiteral(
            "不能并入这个名称：它已经并入了别的往来单位，请直接并入它所算作的那个单位");
    case FailureCause::JoinOfPartner:
        return QStringLiteral("不能把这个名称并入别处：已有其他名称并入了它，"
                              "请反过来把另一个名称并入它");
    case FailureCause::RefusedByServer:
        return QStringLiteral("历史数据服务器“%1”拒收了这条记录").arg(where);
    case FailureCause::HostsMixed:
        return QStringLiteral("服务器一栏不能同时填写本机的文件夹和网络地址，请只填其中一种");
    default:
        break;
    }
    return QStringLiteral("历史数据库“%1”出错").arg(where);
}
