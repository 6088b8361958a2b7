// HistoryStore's records set aside: each leaves its outbox and is kept with
// its cause in one transaction, so it is neither sent again nor lost.

#include "history/refused_records.h"

#include "history/history_store.h"
#include "history/store_transaction.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QString RefusedRecords::notice() const
{
    if (count == 0)
        return {};
    return QStringLiteral("服务器拒收了 %1 条记录：%2").arg(count).arg(cause);
}

QString refusalCause(const Failure& error)
{
    const QString detail = error.detail();
    const auto says = [&](const char* words) { return detail.contains(QLatin1String(words)); };
    if (says("payments_reversal"))
        return QStringLiteral("这笔款在服务器上已经冲销过了");
    if (says("payments_reverses_payment"))
        return QStringLiteral("冲销的款项不在服务器上，或者它本身就是冲销");
    if (says("partner_aliases_one_step"))
        return QStringLiteral("合并的名称已与别的名称合并过，服务器只接受一层合并");
    if (says("text_lengths") || says("(54000)") || says("(22"))
        return QStringLiteral("有文字超过了服务器允许的长度");
    return QStringLiteral("服务器的规则不接受这条记录");
}

void HistoryStore::setAside(Outbox outbox, qint64 id, const QString& cause)
{
    StoreTransaction transaction(database(), *m_driver, m_location);
    markSent(id, outbox);
    QSqlQuery query(database());
    query.prepare(
        QStringLiteral("INSERT INTO refused_records (outbox, record_id, refused_at, cause) "
                       "VALUES (?, ?, ?, ?)"));
    query.addBindValue(int(outbox));
    query.addBindValue(id);
    query.addBindValue(QDateTime::currentDateTime().toString(Qt::ISODate));
    query.addBindValue(cause);
    exec(query);
    transaction.commit();
}

RefusedRecords HistoryStore::refusedRecords()
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT COUNT(*), (SELECT cause FROM refused_records ORDER BY "
                                   "refused_at DESC, record_id DESC LIMIT 1) FROM refused_records"))
        || !query.next())
        fail(query.lastError());
    return { query.value(0).toInt(), query.value(1).toString() };
}
