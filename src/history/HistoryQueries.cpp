#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QVariant>

#include <limits>

namespace history {

namespace {

QDateTime timeOf(const QVariant &secs)
{
    return QDateTime::fromSecsSinceEpoch(secs.toLongLong(), Qt::UTC);
}

SeriesPoint pointOf(const QSqlQuery &query, bool hourly)
{
    SeriesPoint p;
    p.time = timeOf(query.value(0));
    p.setMin = query.value(1).toDouble();
    p.set = query.value(2).toDouble();
    p.setMax = query.value(3).toDouble();
    p.roomMin = query.value(4).toDouble();
    p.room = query.value(5).toDouble();
    p.roomMax = query.value(6).toDouble();
    p.hourly = hourly;
    return p;
}

// The filter's controller and unit, for a query's WHERE after a first condition.
QString unitClause(const Filter &filter)
{
    QString clause;
    if (!filter.controller.isEmpty())
        clause += QStringLiteral(" AND controller = (SELECT id FROM controllers WHERE name = :controller)");
    if (filter.addr >= 0)
        clause += QStringLiteral(" AND addr = :addr");
    return clause;
}

// Binds :controller, :addr, :from and :to for what the filter sets; a query names exactly those.
void bindFilter(QSqlQuery &query, const Filter &filter)
{
    if (!filter.controller.isEmpty())
        query.bindValue(QStringLiteral(":controller"), filter.controller);
    if (filter.addr >= 0)
        query.bindValue(QStringLiteral(":addr"), filter.addr);
    if (filter.from.isValid())
        query.bindValue(QStringLiteral(":from"), filter.from.toSecsSinceEpoch());
    if (filter.to.isValid())
        query.bindValue(QStringLiteral(":to"), filter.to.toSecsSinceEpoch());
}

QList<UnitRun> runSecondsOn(const QSqlDatabase &db, const Filter &filter, qint64 maxGapSecs)
{
    QList<UnitRun> out;
    QString where = unitClause(filter);
    if (filter.from.isValid())
        where += QStringLiteral(" AND t >= :from");
    if (filter.to.isValid())
        where += QStringLiteral(" AND t < :to");
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT c.name, s.addr, MAX(s.name), "
                                 "SUM(CASE WHEN (s.mode & 128) != 0 AND s.next_t IS NOT NULL "
                                 "THEN MIN(s.next_t - s.t, :gap) ELSE 0 END) "
                                 "FROM (SELECT controller, addr, t, name, mode, "
                                 "LEAD(t) OVER (PARTITION BY controller, addr ORDER BY t) AS next_t "
                                 "FROM samples WHERE 1%1) s JOIN controllers c ON c.id = s.controller "
                                 "GROUP BY s.controller, s.addr ORDER BY c.name, s.addr")
                      .arg(where));
    query.bindValue(QStringLiteral(":gap"), maxGapSecs);
    bindFilter(query, filter);
    if (!query.exec())
        return out;
    while (query.next())
        out.append({query.value(0).toString(), query.value(1).toInt(), query.value(2).toString(),
                    query.value(3).toLongLong()});
    return out;
}

QList<SeriesPoint> seriesOn(const QSqlDatabase &db, const QString &controller, int addr,
                            const QDateTime &from, const QDateTime &to, int bucketSecs)
{
    QList<SeriesPoint> raw, out;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id FROM controllers WHERE name = ?"));
    query.addBindValue(controller);
    if (!query.exec() || !query.next())
        return out;
    const qint64 id = query.value(0).toLongLong();
    query.finish();
    if (bucketSecs > 0) {
        query.prepare(
            QStringLiteral("SELECT t - t % %1 AS b, MIN(set_temp), AVG(set_temp), MAX(set_temp), "
                           "MIN(room_temp), AVG(room_temp), MAX(room_temp) FROM samples "
                           "WHERE controller = ? AND addr = ? AND t >= ? AND t <= ? GROUP BY b ORDER BY b")
                .arg(bucketSecs));
    } else {
        query.prepare(QStringLiteral("SELECT t, set_temp, room_temp FROM samples "
                                     "WHERE controller = ? AND addr = ? AND t >= ? AND t <= ? ORDER BY t"));
    }
    query.addBindValue(id);
    query.addBindValue(addr);
    query.addBindValue(from.toSecsSinceEpoch());
    query.addBindValue(to.toSecsSinceEpoch());
    if (!query.exec())
        return out;
    while (query.next()) {
        if (bucketSecs > 0) {
            raw.append(pointOf(query, false));
            continue;
        }
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
    hours.prepare(QStringLiteral(
        "SELECT h.hour, h.set_min, h.set_mean, h.set_max, h.room_min, h.room_mean, "
        "h.room_max FROM hourly h WHERE h.controller = ? AND h.addr = ? AND h.hour > ? AND h.hour < ? "
        "ORDER BY h.hour"));
    hours.addBindValue(id);
    hours.addBindValue(addr);
    hours.addBindValue(from.toSecsSinceEpoch() - 3600);
    hours.addBindValue(rawStart);
    if (!hours.exec())
        return out;
    while (hours.next())
        out.append(pointOf(hours, true));
    return out + raw;
}

// Runs `read` on a read-only connection of this thread's own, gone with the call.
template <typename Read>
auto onReadConnection(const ReadSource &source, Read read) -> decltype(read(QSqlDatabase()))
{
    decltype(read(QSqlDatabase())) out{};
    if (source.path.isEmpty())
        return out;
    const QString name = QStringLiteral("history-read-%1").arg(quintptr(QThread::currentThreadId()));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (source.immutable) {
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
            db.setDatabaseName(QUrl::fromLocalFile(source.path).toString() + QStringLiteral("?immutable=1"));
        } else {
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            db.setDatabaseName(source.path);
        }
        if (db.open())
            out = read(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

} // namespace

QList<UnitRun> HistoryStore::runSeconds(const Filter &filter, qint64 maxGapSecs) const
{
    if (!readable)
        return {};
    return runSecondsOn(QSqlDatabase::database(connection, false), filter, maxGapSecs);
}

ReadSource HistoryStore::readSource() const
{
    return {readable ? openPath : QString(), immutable};
}

QList<UnitRun> runSecondsIn(const ReadSource &source, const Filter &filter, qint64 maxGapSecs)
{
    return onReadConnection(source,
                            [&](const QSqlDatabase &db) { return runSecondsOn(db, filter, maxGapSecs); });
}

QList<SeriesPoint> seriesIn(const ReadSource &source, const QString &controller, int addr,
                            const QDateTime &from, const QDateTime &to, int bucketSecs)
{
    return onReadConnection(
        source, [&](const QSqlDatabase &db) { return seriesOn(db, controller, addr, from, to, bucketSecs); });
}

QList<FaultPeriod> HistoryStore::faults(const Filter &filter) const
{
    QList<FaultPeriod> out;
    if (!readable)
        return out;
    // A fault lasts from its Entered row to the next Entered, Cleared or Offline row of the same
    // unit. Each unit's rows are read from its last one before the range on, through the index: a
    // year of them is many times what a month's list needs.
    QString sql = QStringLiteral(
        "WITH units AS (SELECT DISTINCT controller, addr FROM transitions WHERE 1%1), "
        "starts AS (SELECT u.controller, u.addr, COALESCE((SELECT MAX(x.t) FROM transitions x "
        "WHERE x.controller = u.controller AND x.addr = u.addr AND x.t < :lower AND x.change IN (0, 1, 2)), "
        ":lower) AS s FROM units u), "
        "seq AS (SELECT tr.id, tr.t, tr.controller, tr.addr, tr.name, tr.change, tr.code, tr.text, "
        "LEAD(tr.t) OVER w AS end_t, LEAD(tr.change) OVER w AS end_change FROM starts s "
        "JOIN transitions tr ON tr.controller = s.controller AND tr.addr = s.addr AND tr.t >= s.s "
        "WHERE tr.change IN (0, 1, 2) WINDOW w AS (PARTITION BY tr.controller, tr.addr ORDER BY tr.t, "
        "tr.id)) "
        "SELECT seq.t, c.name, seq.addr, seq.name, seq.end_t, seq.end_change, seq.code, seq.text "
        "FROM seq JOIN controllers c ON c.id = seq.controller WHERE seq.change = 0%2 "
        "ORDER BY seq.end_t IS NOT NULL, seq.t DESC, seq.id DESC");
    const QString inner = unitClause(filter);
    QString outer;
    if (filter.to.isValid())
        outer += QStringLiteral(" AND seq.t <= :to");
    if (filter.from.isValid())
        outer += QStringLiteral(" AND (seq.end_t IS NULL OR seq.end_t >= :from)");
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    query.prepare(sql.arg(inner, outer));
    bindFilter(query, filter);
    query.bindValue(QStringLiteral(":lower"), filter.from.isValid() ? filter.from.toSecsSinceEpoch()
                                                                    : std::numeric_limits<qint64>::min());
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
    if (!readable)
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

QList<KnownUnit> HistoryStore::units() const
{
    QList<KnownUnit> out;
    if (!readable)
        return out;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    // Every address of a reload has a state; one never seen online has neither a name nor a fault.
    if (!query.exec(QStringLiteral(
            "SELECT c.name, u.addr, u.name FROM unit_state u JOIN controllers c ON c.id = u.controller "
            "WHERE u.presence = 2 OR u.name <> '' OR EXISTS (SELECT 1 FROM transitions t "
            "WHERE t.controller = u.controller AND t.addr = u.addr) ORDER BY c.name, u.addr")))
        return out;
    while (query.next())
        out.append({query.value(0).toString(), query.value(1).toInt(), query.value(2).toString()});
    return out;
}

QList<SeriesPoint> HistoryStore::series(const QString &controller, int addr, const QDateTime &from,
                                        const QDateTime &to, int bucketSecs) const
{
    if (!readable)
        return {};
    return seriesOn(QSqlDatabase::database(connection, false), controller, addr, from, to, bucketSecs);
}

} // namespace history
