#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace history {

namespace {

QDateTime timeOf(const QVariant &secs)
{
    return QDateTime::fromSecsSinceEpoch(secs.toLongLong(), Qt::UTC);
}

} // namespace

QList<FaultPeriod> HistoryStore::faults(const Filter &filter) const
{
    QList<FaultPeriod> out;
    if (!on)
        return out;
    // A fault lasts from its Entered row to the next Cleared or Offline row of the same unit.
    QString sql = QStringLiteral(
        "WITH seq AS (SELECT id, t, controller, addr, name, change, code, text, "
        "LEAD(t) OVER w AS end_t, LEAD(change) OVER w AS end_change FROM transitions "
        "WHERE change IN (0, 1, 2)%1 WINDOW w AS (PARTITION BY controller, addr ORDER BY t, id)) "
        "SELECT seq.t, c.name, seq.addr, seq.name, seq.end_t, seq.end_change, seq.code, seq.text "
        "FROM seq JOIN controllers c ON c.id = seq.controller WHERE seq.change = 0%2 "
        "ORDER BY seq.end_t IS NOT NULL, seq.t DESC, seq.id DESC");
    QString inner, outer;
    if (!filter.controller.isEmpty())
        inner += QStringLiteral(" AND controller = (SELECT id FROM controllers WHERE name = :controller)");
    if (filter.addr >= 0)
        inner += QStringLiteral(" AND addr = :addr");
    if (filter.to.isValid())
        outer += QStringLiteral(" AND seq.t <= :to");
    if (filter.from.isValid())
        outer += QStringLiteral(" AND (seq.end_t IS NULL OR seq.end_t >= :from)");
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    query.prepare(sql.arg(inner, outer));
    if (!filter.controller.isEmpty())
        query.bindValue(QStringLiteral(":controller"), filter.controller);
    if (filter.addr >= 0)
        query.bindValue(QStringLiteral(":addr"), filter.addr);
    if (filter.to.isValid())
        query.bindValue(QStringLiteral(":to"), filter.to.toSecsSinceEpoch());
    if (filter.from.isValid())
        query.bindValue(QStringLiteral(":from"), filter.from.toSecsSinceEpoch());
    if (!query.exec())
        return out;
    while (query.next()) {
        FaultPeriod period;
        period.start = timeOf(query.value(0));
        period.controller = query.value(1).toString();
        period.addr = query.value(2).toInt();
        period.name = query.value(3).toString();
        if (!query.value(4).isNull()) {
            period.end = timeOf(query.value(4));
            period.endedBy = Change(query.value(5).toInt());
        }
        period.code = query.value(6).toULongLong();
        period.text = query.value(7).toString();
        out.append(period);
    }
    return out;
}

QList<OperationRecord> HistoryStore::operations(const Filter &filter) const
{
    QList<OperationRecord> out;
    if (!on)
        return out;
    QString sql = QStringLiteral("SELECT o.t, c.name, o.what, o.units, o.vals, o.taken FROM operations o "
                                 "JOIN controllers c ON c.id = o.controller WHERE 1");
    if (!filter.controller.isEmpty())
        sql += QStringLiteral(" AND c.name = :controller");
    if (filter.addr >= 0)
        sql += QStringLiteral(" AND (',' || o.units || ',') LIKE :addr");
    if (filter.from.isValid())
        sql += QStringLiteral(" AND o.t >= :from");
    if (filter.to.isValid())
        sql += QStringLiteral(" AND o.t <= :to");
    sql += QStringLiteral(" ORDER BY o.t DESC, o.id DESC");
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    query.prepare(sql);
    if (!filter.controller.isEmpty())
        query.bindValue(QStringLiteral(":controller"), filter.controller);
    if (filter.addr >= 0)
        query.bindValue(QStringLiteral(":addr"), QStringLiteral("%,%1,%").arg(filter.addr));
    if (filter.from.isValid())
        query.bindValue(QStringLiteral(":from"), filter.from.toSecsSinceEpoch());
    if (filter.to.isValid())
        query.bindValue(QStringLiteral(":to"), filter.to.toSecsSinceEpoch());
    if (!query.exec())
        return out;
    while (query.next()) {
        OperationRecord op;
        op.time = timeOf(query.value(0));
        op.controller = query.value(1).toString();
        op.what = query.value(2).toString();
        const QString units = query.value(3).toString();
        for (const QString &adr : units.split(QLatin1Char(','), Qt::SkipEmptyParts))
            op.units.append(adr.toInt());
        op.values = query.value(4).toString();
        op.taken = query.value(5).toInt() != 0;
        out.append(op);
    }
    return out;
}

QList<SeriesPoint> HistoryStore::series(const QString &controller, int addr, const QDateTime &from,
                                        const QDateTime &to) const
{
    QList<SeriesPoint> raw, out;
    if (!on)
        return out;
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT s.t, s.set_temp, s.room_temp FROM samples s "
                                 "JOIN controllers c ON c.id = s.controller WHERE c.name = ? AND s.addr = ? "
                                 "AND s.t >= ? AND s.t <= ? ORDER BY s.t"));
    query.addBindValue(controller);
    query.addBindValue(addr);
    query.addBindValue(from.toSecsSinceEpoch());
    query.addBindValue(to.toSecsSinceEpoch());
    if (!query.exec())
        return out;
    while (query.next()) {
        SeriesPoint p;
        p.time = timeOf(query.value(0));
        p.set = p.setMin = p.setMax = query.value(1).toDouble();
        p.room = p.roomMin = p.roomMax = query.value(2).toDouble();
        raw.append(p);
    }
    // Hours rolled up lie before the first raw sample still kept.
    const qint64 rawStart = raw.isEmpty() ? to.toSecsSinceEpoch() + 1 : raw.first().time.toSecsSinceEpoch();
    QSqlQuery hours(db);
    hours.setForwardOnly(true);
    hours.prepare(QStringLiteral("SELECT h.hour, h.set_min, h.set_mean, h.set_max, h.room_min, h.room_mean, "
                                 "h.room_max FROM hourly h JOIN controllers c ON c.id = h.controller "
                                 "WHERE c.name = ? AND h.addr = ? AND h.hour > ? AND h.hour < ? "
                                 "ORDER BY h.hour"));
    hours.addBindValue(controller);
    hours.addBindValue(addr);
    hours.addBindValue(from.toSecsSinceEpoch() - 3600);
    hours.addBindValue(rawStart);
    if (!hours.exec())
        return out;
    while (hours.next()) {
        SeriesPoint p;
        p.time = timeOf(hours.value(0));
        p.setMin = hours.value(1).toDouble();
        p.set = hours.value(2).toDouble();
        p.setMax = hours.value(3).toDouble();
        p.roomMin = hours.value(4).toDouble();
        p.room = hours.value(5).toDouble();
        p.roomMax = hours.value(6).toDouble();
        p.hourly = true;
        out.append(p);
    }
    return out + raw;
}

} // namespace history
