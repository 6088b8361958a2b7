#include "history/history_error.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The window's words: what was not read, the file by its name (the
// database's for a server), and whether waiting may help.
QString readFailureMessage(const HistoryError& error, const QString& failedRead)
{
    const QString file = QFileInfo(error.location()).fileName();
    switch (error.cause()) {
    case HistoryFailure::Unreachable:
        return QStringLiteral("%1：连接不上历史数据库“%2”，请稍后再试。").arg(failedRead, file);
    case HistoryFailure::Locked:
        return QStringLiteral("%1：历史数据库“%2”正被其他程序占用，请稍后再试。")
            .arg(failedRead, file);
    case HistoryFailure::Damaged:
        return QStringLiteral("%1：历史数据库“%2”已损坏。").arg(failedRead, file);
    case HistoryFailure::DamagedLoad:
        return QStringLiteral("这一车的记录已损坏，无法打开。");
    case HistoryFailure::OutOfRange:
        return QStringLiteral("%1：合计超出范围。").arg(failedRead);
    default:
        return QStringLiteral("%1：历史数据库“%2”出错，请稍后再试。").arg(failedRead, file);
    }
}

} // namespace

QString historyFailureMessage(const HistoryError& error, const QString& failedRead)
{
    if (!failedRead.isEmpty())
        return readFailureMessage(error, failedRead);
    const QString where = QDir::toNativeSeparators(error.location());
    switch (error.cause()) {
    case HistoryFailure::Locked:
        return QStringLiteral("历史数据库“%1”正被其他程序占用").arg(where);
    case HistoryFailure::Damaged:
    case HistoryFailure::DamagedLoad:
        return QStringLiteral("历史数据库“%1”已损坏").arg(where);
    case HistoryFailure::DiskFull:
        return QStringLiteral("磁盘已满，历史数据库“%1”无法写入").arg(where);
    case HistoryFailure::NotWritable:
        return QStringLiteral("历史数据库“%1”无法写入").arg(where);
    case HistoryFailure::NewerSchema:
        return QStringLiteral("历史数据库“%1”由更新版本的程序建立，请更新本程序").arg(where);
    case HistoryFailure::Unreachable:
        return QStringLiteral("连接不上历史数据服务器“%1”").arg(where);
    case HistoryFailure::LoginRefused:
        return QStringLiteral("历史数据服务器“%1”拒绝登录，请检查用户名和密码").arg(where);
    case HistoryFailure::DatabaseMissing:
        return QStringLiteral("历史数据服务器“%1”上没有这个数据库").arg(where);
    case HistoryFailure::NoRight:
        return QStringLiteral(
            "用户没有在历史数据服务器“%1”上建表或写入的权限，请让管理员授权或先建立一次")
            .arg(where);
    case HistoryFailure::StationTaken:
        return QStringLiteral(
            "历史数据服务器“%"
            "1”上已有同名检尺站的不同记录，请在设置中给本机起一个别处没用过的检尺站名称")
            .arg(where);
    case HistoryFailure::StationNotAllowed:
        return QStringLiteral("历史数据服务器“%1”没有让本机的用户以这个检尺站名称保存记录，"
                              "请在设置中填写管理员为本机登记的检尺站名称")
            .arg(where);
    case HistoryFailure::SchemaOutdated:
        return QStringLiteral(
            "服务器上的历史数据表需要管理员升级，请联系管理员在历史数据服务器“%1”上运行升级脚本")
            .arg(where);
    case HistoryFailure::NotEncrypted:
        return QStringLiteral(
            "服务器没有启用加密连接，没有向历史数据服务器“%1”发送密码，请联系管理员")
            .arg(where);
    case HistoryFailure::CertificateMismatch:
        return QStringLiteral(
            "服务器的证书与设置中的不符，没有向历史数据服务器“%1”发送密码，请向管理员核对证书文件")
            .arg(where);
    case HistoryFailure::CertificateMissing:
        return QStringLiteral(
            "没有可用的服务器证书文件，请在检尺站设置中选择管理员给的历史数据服务器“%1”的证书")
            .arg(where);
    case HistoryFailure::SocketNotSafe:
        return QStringLiteral("历史数据服务器“%1”的本机连接所在的文件夹其他用户也能写入，"
                              "可能是冒充的服务器，没有发送密码；请填写系统的服务器文件夹"
                              "（如 /run/postgresql）或服务器的地址")
            .arg(where);
    case HistoryFailure::OutOfRange:
        return QStringLiteral("合计超出范围");
    case HistoryFailure::PaymentIncomplete:
        return QStringLiteral("款项要填往来单位、日期和大于零的金额");
    case HistoryFailure::AlreadyReversed:
        return QStringLiteral("这笔款已经冲销过了");
    case HistoryFailure::ReversalNotReversible:
        return QStringLiteral("冲销记录不能再冲销");
    case HistoryFailure::JoinRefused:
        return QStringLiteral("这两个名称不能合并：名称相同，或者要并入的名称已经合并过");
    case HistoryFailure::JoinIntoJoined:
        return QStringLiteral(
            "不能并入这个名称：它已经并入了别的往来单位，请直接并入它所算作的那个单位");
    case HistoryFailure::JoinOfPartner:
        return QStringLiteral("不能把这个名称并入别处：已有其他名称并入了它，"
                              "请反过来把另一个名称并入它");
    case HistoryFailure::RefusedByServer:
        return QStringLiteral("历史数据服务器“%1”拒收了这条记录").arg(where);
    case HistoryFailure::HostsMixed:
        return QStringLiteral("服务器一栏不能同时填写本机的文件夹和网络地址，请只填其中一种");
    case HistoryFailure::Other:
        break;
    }
    return QStringLiteral("历史数据库“%1”出错").arg(where);
}
