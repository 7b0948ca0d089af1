#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QVariant>

namespace history {

namespace {

// SQLite's primary result codes that decide what to do with a failure.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteFull = 13;
constexpr int SqliteNotADatabase = 26;

int primaryCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xFF;
}

// Step N takes a file from schema version N to N + 1. Append; never edit a step
// that has shipped.
const QList<QStringList> &migrationSteps()
{
    static const QList<QStringList> steps = {
        {
            QStringLiteral("CREATE TABLE controllers(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"),
            // Kept in unit order: a unit's series is one stretch of the file, and no index doubles it.
            QStringLiteral(
                "CREATE TABLE samples(controller INTEGER NOT NULL, addr INTEGER NOT NULL, "
                "t INTEGER NOT NULL, name TEXT, mode INTEGER, fan INTEGER, set_temp REAL, "
                "room_temp REAL, fault_key INTEGER, PRIMARY KEY(controller, addr, t)) WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE hourly(controller INTEGER NOT NULL, addr INTEGER NOT NULL, "
                           "hour INTEGER NOT NULL, n INTEGER NOT NULL, set_min REAL, set_mean REAL, "
                           "set_max REAL, room_min REAL, room_mean REAL, room_max REAL, "
                           "PRIMARY KEY(controller, addr, hour)) WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE transitions(id INTEGER PRIMARY KEY, t INTEGER NOT NULL, "
                           "controller INTEGER NOT NULL, addr INTEGER NOT NULL, name TEXT, "
                           "change INTEGER NOT NULL, code INTEGER NOT NULL, text TEXT)"),
            QStringLiteral("CREATE INDEX transitions_unit ON transitions(controller, addr, t)"),
            // The last state of each unit, so that a restart does not announce old faults again;
            // also the list of units the retention walks.
            QStringLiteral("CREATE TABLE unit_state(controller INTEGER NOT NULL, addr INTEGER NOT NULL, "
                           "presence INTEGER NOT NULL, code INTEGER NOT NULL, name TEXT, "
                           "PRIMARY KEY(controller, addr)) WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE operations(id INTEGER PRIMARY KEY, t INTEGER NOT NULL, "
                           "controller INTEGER NOT NULL, what TEXT NOT NULL, units TEXT NOT NULL, "
                           "vals TEXT NOT NULL, taken INTEGER NOT NULL)"),
            QStringLiteral("CREATE INDEX operations_time ON operations(t)"),
        },
    };
    return steps;
}

QString operationName(Operation what)
{
    switch (what) {
    case Operation::Setting:
        return QStringLiteral("setting");
    case Operation::Options:
        return QStringLiteral("options");
    case Operation::Schedule:
        return QStringLiteral("schedule");
    case Operation::Module:
        return QStringLiteral("module");
    }
    return QString();
}

// A file that is not a database keeps its bytes under a new name; an existing
// name is never replaced.
QString moveAside(const QString &path)
{
    const QString stem = path + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmss"));
    QString target = stem;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target))
        return QString();
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString extra = path + QLatin1String(suffix);
        if (QFileInfo::exists(extra))
            QFile::rename(extra, target + QLatin1String(suffix));
    }
    return target;
}

} // namespace

QString HistoryStore::fileNameIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("brezzano-history.sqlite"));
}

HistoryStore::HistoryStore(QObject *parent)
    : QObject(parent), connection(QStringLiteral("history-") + QUuid::createUuid().toString())
{
}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::close()
{
    if (QSqlDatabase::contains(connection)) {
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);
    }
    on = false;
    readable = false;
}

bool HistoryStore::open(const QString &in, qint64 sizeLimit)
{
    close();
    folder = in;
    limit = sizeLimit;
    failed = Failure::None;
    detail.clear();
    aside.clear();
    controllerIds.clear();
    states.clear();
    const QString path = fileNameIn(folder);
    bool corrupt = false;
    if (openFile(path, sizeLimit, &corrupt))
        return true;
    if (!corrupt) {
        // What the file holds is still worth showing.
        if (QFileInfo(path).isFile())
            openReadOnly(path);
        return false;
    }
    close();
    aside = moveAside(path);
    if (aside.isEmpty()) {
        turnOff(Failure::CannotOpen, QStringLiteral("%1 is damaged and cannot be moved aside").arg(path));
        return false;
    }
    return openFile(path, sizeLimit, &corrupt);
}

bool HistoryStore::openFile(const QString &path, qint64 sizeLimit, bool *corrupt)
{
    *corrupt = false;
    openPath = path;
    immutable = false;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    if (!db.open()) {
        turnOff(Failure::CannotOpen, db.lastError().text());
        return false;
    }
    QSqlQuery query(db);
    // The first read is where a file that is not a database shows itself.
    if (!query.exec(QStringLiteral("PRAGMA user_version"))) {
        const int code = primaryCode(query.lastError());
        *corrupt = code == SqliteNotADatabase || code == SqliteCorrupt;
        if (!*corrupt)
            turnOff(Failure::CannotOpen, query.lastError().text());
        return false;
    }
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
        query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        turnOff(Failure::CannotWrite, QStringLiteral("%1: cannot write the journal").arg(path));
        return false;
    }
    // In WAL mode this loses at most the last reload on a power cut, never the file.
    if (!exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return false;
    if (sizeLimit > 0 && query.exec(QStringLiteral("PRAGMA page_size")) && query.next()) {
        const qint64 pages = std::max<qint64>(1, sizeLimit / query.value(0).toLongLong());
        if (!exec(QStringLiteral("PRAGMA max_page_count=%1").arg(pages)))
            return false;
    }
    query.finish(); // a statement left open would keep COMMIT from completing
    on = migrate();
    readable = on;
    return on;
}

bool HistoryStore::openReadOnly(const QString &path)
{
    close();
    openPath = path;
    immutable = true;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    // Immutable: no lock, journal or shared-memory file is written beside it.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    db.setDatabaseName(QUrl::fromLocalFile(path).toString() + QStringLiteral("?immutable=1"));
    QSqlQuery query(db);
    readable = db.open() && query.exec(QStringLiteral("PRAGMA user_version")) && query.next() &&
               query.value(0).toInt() == migrationSteps().size();
    return readable;
}

bool HistoryStore::retry()
{
    if (on || folder.isEmpty() || (failed != Failure::DiskFull && failed != Failure::CannotWrite))
        return on;
    probationFailure = failed;
    probationDetail = detail;
    quiet = true;
    probation = true;
    // Opening writes nothing: the next reload's commit tells whether there is room again.
    if (open(folder, limit))
        return true;
    turnOff(probationFailure, probationDetail);
    return false;
}

bool HistoryStore::migrate()
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail(query);
    const int version = query.value(0).toInt();
    query.finish();
    const QList<QStringList> &steps = migrationSteps();
    if (version > steps.size()) {
        turnOff(Failure::NewerSchema,
                QStringLiteral("history file version %1 is newer than this program's %2")
                    .arg(version)
                    .arg(steps.size()));
        return false;
    }
    for (int step = version; step < steps.size(); ++step) {
        if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
            return false;
        for (const QString &sql : steps.at(step)) {
            if (!exec(sql))
                return false;
        }
        if (!exec(QStringLiteral("PRAGMA user_version=%1").arg(step + 1)) || !exec(QStringLiteral("COMMIT")))
            return false;
    }
    return true;
}

bool HistoryStore::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    return query.exec(sql) || fail(query);
}

bool HistoryStore::run(QSqlQuery &query)
{
    return query.exec() || fail(query);
}

bool HistoryStore::fail(const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (db.isOpen())
        db.rollback();
    turnOff(primaryCode(error) == SqliteFull ? Failure::DiskFull : Failure::CannotWrite, error.text());
    return false;
}

void HistoryStore::turnOff(Failure why, const QString &text)
{
    on = false;
    if (probation) {
        // The retry's first write failed as well: off for the reason already told.
        probation = false;
        quiet = false;
        failed = probationFailure;
        detail = probationDetail;
        return;
    }
    if (failed != Failure::None)
        return;
    failed = why;
    detail = text;
    if (!quiet)
        Q_EMIT turnedOff(why, text);
}

bool HistoryStore::commit()
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (db.commit()) {
        if (probation) {
            probation = false;
            quiet = false;
            Q_EMIT turnedOn();
        }
        return true;
    }
    const QSqlError error = db.lastError();
    db.rollback();
    turnOff(primaryCode(error) == SqliteFull ? Failure::DiskFull : Failure::CannotWrite, error.text());
    return false;
}

qint64 HistoryStore::controllerId(const QString &controller)
{
    const auto known = controllerIds.find(controller);
    if (known != controllerIds.end())
        return known->second;
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.prepare(QStringLiteral("INSERT INTO controllers(name) VALUES(?) ON CONFLICT(name) DO NOTHING"));
    query.addBindValue(controller);
    if (!run(query))
        return -1;
    query.prepare(QStringLiteral("SELECT id FROM controllers WHERE name = ?"));
    query.addBindValue(controller);
    if (!run(query) || !query.next())
        return -1;
    return controllerIds[controller] = query.value(0).toLongLong();
}

ControllerState &HistoryStore::stateOf(qint64 id)
{
    const auto known = states.find(id);
    if (known != states.end())
        return known->second;
    ControllerState &state = states[id];
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.prepare(QStringLiteral("SELECT addr, presence, code, name FROM unit_state WHERE controller = ?"));
    query.addBindValue(id);
    if (query.exec()) {
        while (query.next()) {
            const int adr = query.value(0).toInt();
            if (adr < 0 || adr >= PanelUnits)
                continue;
            UnitState &unit = state[size_t(adr)];
            unit.presence = UnitState::Presence(query.value(1).toInt());
            unit.code = query.value(2).toULongLong();
            unit.name = query.value(3).toString();
        }
    }
    return state;
}

std::vector<Transition> HistoryStore::recordReload(const QDateTime &time, const QString &controller,
                                                   const UnitTable &units, const OnlineTable &online)
{
    const qint64 id = on ? controllerId(controller) : -1;
    if (id < 0)
        return {};
    ControllerState &before = stateOf(id);
    ControllerState after = controllerState(units, online);
    for (int adr = 0; adr < PanelUnits; ++adr) {
        if (after[size_t(adr)].presence == UnitState::Presence::Offline)
            after[size_t(adr)].name = before[size_t(adr)].name;
    }
    const std::vector<Transition> changes = faultTransitions(before, after);
    const qint64 t = time.toSecsSinceEpoch();

    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.transaction()) {
        turnOff(Failure::CannotWrite, db.lastError().text());
        return {};
    }
    QSqlQuery sample(db);
    // Two reloads within one second: the later one stands.
    sample.prepare(QStringLiteral("INSERT OR REPLACE INTO samples(t, controller, addr, name, mode, fan, "
                                  "set_temp, room_temp, fault_key) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int adr = 0; adr < PanelUnits; ++adr) {
        if (after[size_t(adr)].presence != UnitState::Presence::Online)
            continue;
        const TunitRecord &unit = units[size_t(adr)];
        sample.bindValue(0, t);
        sample.bindValue(1, id);
        sample.bindValue(2, adr);
        sample.bindValue(3, unit.name);
        sample.bindValue(4, int(unit.buffer[units::ModeByte]));
        sample.bindValue(5, int(unit.buffer[units::FanByte]));
        sample.bindValue(6, double(unit.buffer[units::SetTempByte]));
        sample.bindValue(7, units::halfDegree(unit.buffer[units::RoomTempByte]));
        sample.bindValue(8, units::faultKey(unit));
        if (!run(sample))
            return {};
    }
    QSqlQuery change(db);
    change.prepare(QStringLiteral("INSERT INTO transitions(t, controller, addr, name, change, code, text) "
                                  "VALUES(?, ?, ?, ?, ?, ?, ?)"));
    for (const Transition &tr : changes) {
        change.bindValue(0, t);
        change.bindValue(1, id);
        change.bindValue(2, tr.addr);
        change.bindValue(3, tr.name);
        change.bindValue(4, int(tr.change));
        change.bindValue(5, qint64(tr.code));
        change.bindValue(6, tr.code != 0 ? faultCodeText(tr.code) : QString());
        if (!run(change))
            return {};
    }
    QSqlQuery state(db);
    state.prepare(QStringLiteral("INSERT OR REPLACE INTO unit_state(controller, addr, presence, code, name) "
                                 "VALUES(?, ?, ?, ?, ?)"));
    for (int adr = 0; adr < PanelUnits; ++adr) {
        const UnitState &was = before[size_t(adr)];
        const UnitState &is = after[size_t(adr)];
        if (was.presence == is.presence && was.code == is.code && was.name == is.name)
            continue;
        state.bindValue(0, id);
        state.bindValue(1, adr);
        state.bindValue(2, int(is.presence));
        state.bindValue(3, qint64(is.code));
        state.bindValue(4, is.name);
        if (!run(state))
            return {};
    }
    if (!commit())
        return {};
    before = after;
    return changes;
}

bool HistoryStore::recordOperation(const QDateTime &time, const QString &controller, Operation what,
                                   const QList<int> &units, const QString &values, bool taken)
{
    return recordOp(time, controller, operationName(what), units, values, taken);
}

bool HistoryStore::recordPasswordChange(const QDateTime &time, const QString &controller, bool taken)
{
    return recordOp(time, controller, QStringLiteral("password"), {}, QString(), taken);
}

bool HistoryStore::recordOp(const QDateTime &time, const QString &controller, const QString &what,
                            const QList<int> &units, const QString &values, bool taken)
{
    const qint64 id = on ? controllerId(controller) : -1;
    if (id < 0)
        return false;
    QStringList addresses;
    for (int adr : units)
        addresses << QString::number(adr);
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.prepare(QStringLiteral("INSERT INTO operations(t, controller, what, units, vals, taken) "
                                 "VALUES(?, ?, ?, ?, ?, ?)"));
    query.addBindValue(time.toSecsSinceEpoch());
    query.addBindValue(id);
    query.addBindValue(what);
    // A null QString binds as NULL, which those NOT NULL columns refuse.
    query.addBindValue(addresses.join(QLatin1Char(',')) + QLatin1String(""));
    query.addBindValue(values + QLatin1String(""));
    query.addBindValue(taken ? 1 : 0);
    return run(query);
}

bool HistoryStore::applyRetention(const QDateTime &now, int rawDays)
{
    if (!on)
        return false;
    while (rollUpStep(now, rawDays)) {
    }
    return on;
}

bool HistoryStore::rollUpStep(const QDateTime &now, int rawDays)
{
    // Six hours of one unit's samples a step: a few milliseconds, also with a checkpoint.
    constexpr qint64 RollUpStepSecs = 6 * 3600;
    if (!on)
        return false;
    // Whole hours only, so that an hour is rolled up once, from all its samples.
    qint64 cutoff = now.toSecsSinceEpoch() - qint64(std::max(rawDays, 0)) * 86400;
    cutoff -= cutoff % 3600;
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    // The first unit with samples past the cutoff, and the first hours of them: a short
    // step runs between a window's events. One statement: a site of 200 controllers has
    // 12 800 units, and a query of the program's for each held the window up for 90 ms.
    QSqlQuery oldest(db);
    oldest.prepare(QStringLiteral(
        "SELECT controller, addr, first FROM (SELECT u.controller, u.addr, (SELECT MIN(s.t) FROM samples s "
        "WHERE s.controller = u.controller AND s.addr = u.addr) AS first FROM unit_state u) "
        "WHERE first < :cutoff LIMIT 1"));
    oldest.bindValue(QStringLiteral(":cutoff"), cutoff);
    if (!run(oldest))
        return false;
    qint64 stepCut = -1;
    std::pair<qint64, int> unit;
    if (oldest.next()) {
        const qint64 first = oldest.value(2).toLongLong();
        stepCut = std::min(cutoff, first - first % 3600 + RollUpStepSecs);
        unit = {oldest.value(0).toLongLong(), oldest.value(1).toInt()};
    }
    oldest.finish();
    if (stepCut < 0)
        return false;
    if (!db.transaction()) {
        turnOff(Failure::CannotWrite, db.lastError().text());
        return false;
    }
    QSqlQuery rollUp(db);
    // A later sample in an hour already rolled up (a clock set back) merges into its row.
    rollUp.prepare(QStringLiteral(
        "INSERT INTO hourly(controller, addr, hour, n, set_min, set_mean, set_max, room_min, room_mean, "
        "room_max) SELECT controller, addr, t - t % 3600 AS h, COUNT(*), MIN(set_temp), AVG(set_temp), "
        "MAX(set_temp), MIN(room_temp), AVG(room_temp), MAX(room_temp) FROM samples "
        "WHERE controller = :controller AND addr = :addr AND t < :cutoff "
        "GROUP BY h ON CONFLICT(controller, addr, hour) DO UPDATE SET "
        "n = n + excluded.n, set_min = MIN(set_min, excluded.set_min), "
        "set_max = MAX(set_max, excluded.set_max), "
        "set_mean = (set_mean * n + excluded.set_mean * excluded.n) / (n + excluded.n), "
        "room_min = MIN(room_min, excluded.room_min), room_max = MAX(room_max, excluded.room_max), "
        "room_mean = (room_mean * n + excluded.room_mean * excluded.n) / (n + excluded.n)"));
    QSqlQuery drop(db);
    drop.prepare(QStringLiteral(
        "DELETE FROM samples WHERE controller = :controller AND addr = :addr AND t < :cutoff"));
    for (QSqlQuery *query : {&rollUp, &drop}) {
        query->bindValue(QStringLiteral(":controller"), unit.first);
        query->bindValue(QStringLiteral(":addr"), unit.second);
        query->bindValue(QStringLiteral(":cutoff"), stepCut);
        if (!run(*query))
            return false;
    }
    return commit();
}

bool HistoryStore::retentionDue(const QDateTime &now)
{
    if (lastRetention.isValid() && lastRetention.secsTo(now) < 3600 && now >= lastRetention)
        return false;
    lastRetention = now;
    return true;
}

} // namespace history
