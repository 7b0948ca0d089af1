#include "HistoryGenerator.h"

#include "history/FaultTransitions.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <tuple>

namespace history::generator {

namespace {

// The room's temperature in SQL at time `t`: a day's swing of two degrees
// either side of the unit's middle, in half degrees, passing the middle on its
// way up at `end`, so that the reloads that follow go on from there.
QString roomAt(const QString &t, qint64 end)
{
    const qint64 phase = ((64800 - end) % 86400 + 86400) % 86400;
    return QStringLiteral("(u.room + ROUND((ABS((%1 + %2) % 86400 - 43200) / 43200.0 * 4 - 2) * 2) / 2.0)")
        .arg(t)
        .arg(phase);
}

// Runs statements until the first failure, which it keeps.
class Sql
{
public:
    explicit Sql(const QSqlDatabase &db) : db(db) {}

    bool exec(const QString &text, const QVariantList &values = {})
    {
        if (!error.isEmpty())
            return false;
        QSqlQuery query(db);
        query.prepare(text);
        for (const QVariant &value : values)
            query.addBindValue(value);
        return run(query);
    }
    // One prepared statement run for many rows.
    bool run(QSqlQuery &query)
    {
        if (!error.isEmpty())
            return false;
        if (query.exec())
            return true;
        error = query.lastError().text();
        return false;
    }

    QSqlDatabase db;
    QString error;
};

void fill(Sql &sql, const Plan &plan)
{
    sql.exec(QStringLiteral("INSERT OR IGNORE INTO controllers(name) VALUES(?)"), {plan.controller});
    QSqlQuery idQuery(sql.db);
    idQuery.prepare(QStringLiteral("SELECT id FROM controllers WHERE name = ?"));
    idQuery.addBindValue(plan.controller);
    if (!sql.run(idQuery) || !idQuery.next()) {
        if (sql.error.isEmpty())
            sql.error = QStringLiteral("no controller row");
        return;
    }
    const qint64 id = idQuery.value(0).toLongLong();
    idQuery.finish();

    sql.exec(QStringLiteral("BEGIN"));
    sql.exec(QStringLiteral("CREATE TEMP TABLE gen_units(addr INTEGER PRIMARY KEY, name TEXT, mode INTEGER, "
                            "fan INTEGER, set_temp REAL, room REAL)"));
    QSqlQuery unit(sql.db);
    unit.prepare(QStringLiteral("INSERT INTO gen_units VALUES(?, ?, ?, ?, ?, ?)"));
    for (const Unit &u : plan.units) {
        unit.addBindValue(u.addr);
        unit.addBindValue(u.name);
        unit.addBindValue(u.mode);
        unit.addBindValue(u.fan);
        unit.addBindValue(double(u.setTemp));
        unit.addBindValue(u.room);
        sql.run(unit);
    }

    const qint64 firstHour = plan.hourlyFrom - plan.hourlyFrom % 3600;
    if (firstHour < plan.rawFrom)
        sql.exec(
            QStringLiteral("WITH RECURSIVE h(hour) AS (SELECT %1 UNION ALL SELECT hour + 3600 FROM h "
                           "WHERE hour + 3600 < %2) INSERT INTO hourly SELECT %3, u.addr, hour, 120, "
                           "u.set_temp, u.set_temp, u.set_temp, %4 - 0.5, %4, %4 + 0.5 FROM h, gen_units u")
                .arg(firstHour)
                .arg(plan.rawFrom)
                .arg(id)
                .arg(roomAt(QStringLiteral("(hour + 1800)"), plan.end)));
    if (plan.rawFrom < plan.end)
        sql.exec(QStringLiteral(
                     "WITH RECURSIVE r(t) AS (SELECT %1 UNION ALL SELECT t + 30 FROM r WHERE t + 30 < %2) "
                     "INSERT INTO samples(t, controller, addr, name, mode, fan, set_temp, room_temp, "
                     "fault_key) SELECT t, %3, u.addr, u.name, u.mode, u.fan, u.set_temp, %4, 0 "
                     "FROM r, gen_units u")
                     .arg(plan.rawFrom)
                     .arg(plan.end)
                     .arg(id)
                     .arg(roomAt(QStringLiteral("t"), plan.end)));

    const auto nameOf = [&plan](int addr) {
        for (const Unit &u : plan.units)
            if (u.addr == addr)
                return u.name;
        return QString();
    };
    // Entered and Cleared rows in time order, as reloads would have written them.
    std::vector<std::tuple<qint64, int, Change, quint64>> rows;
    for (const Fault &f : plan.faults) {
        rows.emplace_back(f.start, f.addr, Change::Entered, f.code);
        if (f.end > 0)
            rows.emplace_back(f.end, f.addr, Change::Cleared, f.code);
    }
    std::sort(rows.begin(), rows.end());
    QSqlQuery change(sql.db);
    change.prepare(QStringLiteral("INSERT INTO transitions(t, controller, addr, name, change, code, text) "
                                  "VALUES(?, ?, ?, ?, ?, ?, ?)"));
    for (const auto &[t, addr, what, code] : rows) {
        change.addBindValue(t);
        change.addBindValue(id);
        change.addBindValue(addr);
        change.addBindValue(nameOf(addr));
        change.addBindValue(int(what));
        change.addBindValue(qint64(code));
        change.addBindValue(faultCodeText(code));
        sql.run(change);
    }
    // The samples of a fault carry its key, as the panel's reloads did.
    QSqlQuery key(sql.db);
    key.prepare(QStringLiteral(
        "UPDATE samples SET fault_key = ? WHERE controller = ? AND addr = ? AND t >= ? AND t < ?"));
    for (const Fault &f : plan.faults) {
        if ((f.end > 0 && f.end <= plan.rawFrom) || f.start >= plan.end)
            continue;
        key.addBindValue(units::faultKey(faultRecord(f.code)));
        key.addBindValue(id);
        key.addBindValue(f.addr);
        key.addBindValue(f.start);
        key.addBindValue(f.end > 0 ? f.end : plan.end);
        sql.run(key);
    }
    // Each unit's last state: a restart of the program goes on from it.
    QSqlQuery state(sql.db);
    state.prepare(QStringLiteral("INSERT OR REPLACE INTO unit_state VALUES(?, ?, 2, ?, ?)"));
    for (const Unit &u : plan.units) {
        quint64 open = 0;
        for (const Fault &f : plan.faults)
            if (f.addr == u.addr && f.end == 0)
                open = f.code;
        state.addBindValue(id);
        state.addBindValue(u.addr);
        state.addBindValue(qint64(open));
        state.addBindValue(u.name);
        sql.run(state);
    }
    sql.exec(QStringLiteral("DROP TABLE gen_units"));
    if (!sql.exec(QStringLiteral("COMMIT")))
        QSqlQuery(sql.db).exec(QStringLiteral("ROLLBACK"));
}

} // namespace

QString write(const QString &folder, const Plan &plan)
{
    {
        // The store makes the schema and records the operations its own way.
        HistoryStore store;
        if (!store.open(folder))
            return store.failureDetail();
        for (const OperationEntry &op : plan.operations)
            store.recordOperation(QDateTime::fromSecsSinceEpoch(op.time, Qt::UTC), plan.controller, op.what,
                                  op.units, op.values, op.taken);
        if (!store.isOn())
            return store.failureDetail();
    }
    const QString connection = QStringLiteral("history-generator");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(HistoryStore::fileNameIn(folder));
        if (db.open()) {
            Sql sql(db);
            fill(sql, plan);
            error = sql.error;
        } else {
            error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

Plan benchYear(const QString &controller, qint64 end, int units)
{
    const qint64 start = end - 365 * 86400;
    Plan plan;
    plan.controller = controller;
    plan.hourlyFrom = start;
    plan.rawFrom = end - 31 * 86400;
    plan.end = end;
    for (int adr = 0; adr < units; ++adr)
        plan.units.push_back({adr, QStringLiteral("Unit %1").arg(adr), 136, 2, 22 + adr % 5, 22});
    for (int n = 0; n < 104; ++n)
        for (int adr = 0; adr < units; ++adr) {
            const qint64 t = start + n * 302400 + adr * 997;
            plan.faults.push_back({adr, t, t + 7200, 2});
        }
    for (int adr = 0; adr < std::min(4, units); ++adr)
        plan.faults.push_back({adr, end - 600, 0, 4});
    plan.operations.push_back({end, Operation::Setting, {0}, QStringLiteral("24"), true});
    return plan;
}

} // namespace history::generator
