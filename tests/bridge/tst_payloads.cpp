// What the bridge publishes for a unit: the state message and the Home
// Assistant discovery configs, checked field by field against hand-made values.
#include "bridge/Payloads.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(TunitRecord)

namespace {

// Status bytes 2..8 and 14..20 as the controller sends them.
TunitRecord unitWith(std::initializer_list<std::pair<int, int>> bytes, const QString &name = QString(),
                     int tmin = 0, int tmax = 0)
{
    TunitRecord unit;
    for (const auto &[index, value] : bytes)
        unit.buffer[size_t(index)] = quint8(value);
    unit.name = name;
    unit.tmin = quint8(tmin);
    unit.tmax = quint8(tmax);
    return unit;
}

// JSON written with single quotes, which keeps the rows readable.
QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text).replace('\'', '"')).object();
}

// One value inside a config, by a path like "device/via_device" or "availability/1/topic".
QJsonValue at(QJsonValue value, const QString &path)
{
    for (const QString &step : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int index = step.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(step);
    }
    return value;
}

const bridge::ControllerInfo Office{QStringLiteral("office"), QStringLiteral("Office")};

} // namespace

class TestPayloads : public QObject
{
    Q_OBJECT

private slots:
    void state_data()
    {
        QTest::addColumn<TunitRecord>("unit");
        QTest::addColumn<QJsonObject>("expected");

        QTest::newRow("cooling, locked remote, flap, no pipe sensors")
            << unitWith({{2, 0x88},
                         {3, 0x02},
                         {4, 24},
                         {5, 87},
                         {6, 255},
                         {7, 255},
                         {8, 255},
                         {14, 0x04},
                         {15, 0x80}},
                        QStringLiteral("Hall"))
            << json(
                   "{'address':5,'name':'Hall','mode':'cool','power':'ON','action':'cooling','fan':'medium',"
                   "'set_temperature':24,'room_temperature':23.5,'flap':true,'swing':'on','remote_lock':true,"
                   "'schedule':false,'fault':false,'fault_codes':[],'fault_text':'','pipe_t2a':null,"
                   "'pipe_t2b':null,'pipe_t3':null}");
        QTest::newRow("off, very low fan, two pipe sensors, faults in three bytes")
            << unitWith({{2, 0x08},
                         {3, 0x08},
                         {4, 30},
                         {5, 0},
                         {6, 61},
                         {7, 255},
                         {8, 0},
                         {16, 0x08},
                         {18, 0x0A},
                         {20, 0x04}})
            << json("{'address':5,'name':'','mode':'off','power':'OFF','action':'off','fan':'very_low',"
                    "'set_temperature':30,'room_temperature':-20,'pipe_t2a':10.5,'pipe_t2b':null,'pipe_t3':-"
                    "20,"
                    "'flap':false,'swing':'off','remote_lock':false,'schedule':false,"
                    "'fault':true,'fault_codes':['E3','P1','P3','2#'],'fault_text':'Error code : E3 P1 P3 "
                    "2#'}");
        QTest::newRow("mode and fan bits no control shows")
            << unitWith({{2, 0x83}, {3, 0x03}, {6, 255}, {7, 255}, {8, 255}})
            << json("{'address':5,'name':'','mode':null,'power':'ON','action':null,'fan':null,"
                    "'set_temperature':0,'room_temperature':-20,'flap':false,'swing':'off','remote_lock':"
                    "false,"
                    "'schedule':false,'fault':false,'fault_codes':[],'fault_text':'','pipe_t2a':null,"
                    "'pipe_t2b':null,'pipe_t3':null}");
    }

    void state()
    {
        QFETCH(TunitRecord, unit);
        QFETCH(QJsonObject, expected);
        const QJsonObject state = bridge::stateObject(unit, 5);
        QCOMPARE(state, expected);

        const QDateTime readAt(QDate(2026, 12, 9), QTime(18, 46, 39), Qt::OffsetFromUTC, 3600);
        QJsonObject timed = expected;
        timed.insert(QStringLiteral("time"), QStringLiteral("2026-12-09T17:46:39Z"));
        QCOMPARE(QJsonDocument::fromJson(bridge::statePayload(state, readAt)).object(), timed);
    }

    void discovery_data()
    {
        QTest::addColumn<QString>("path");     // in the unit's device config
        QTest::addColumn<QString>("expected"); // JSON

        const auto row = [](const char *name, const char *path, const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(path) << QString::fromUtf8(expected);
        };
        row("origin", "origin/name", R"("brezzano-bridge")");
        row("bridge availability", "availability/0/topic", R"("brezzano/bridge/b1/availability")");
        row("controller availability", "availability/1/topic", R"("brezzano/office/availability")");
        row("both must be online", "availability_mode", R"("all")");
        row("unit device", "device/identifiers", R"(["brezzano/office/5"])");
        row("unit device name", "device/name", R"("Hall")");
        row("under its controller", "device/via_device", R"("brezzano/office")");
        row("climate", "components/climate/platform", R"("climate")");
        row("climate unique id", "components/climate/unique_id", R"("brezzano/office/5:climate")");
        row("climate modes", "components/climate/modes", R"(["off","auto","cool","heat","dry","fan_only"])");
        row("very low shown", "components/climate/fan_modes", R"(["auto","high","medium","low","very_low"])");
        row("swing", "components/climate/swing_modes", R"(["on","off"])");
        row("climate min", "components/climate/min_temp", "18");
        row("climate max", "components/climate/max_temp", "28");
        row("power", "components/climate/power_command_topic", R"("brezzano/office/5/set/power")");
        row("mode command", "components/climate/mode_command_topic", R"("brezzano/office/5/set/mode")");
        row("swing command", "components/climate/swing_mode_command_topic",
            R"("brezzano/office/5/set/swing")");
        row("set temperature state", "components/climate/temperature_state_template",
            R"("{{ value_json.set_temperature }}")");
        row("action", "components/climate/action_template", R"("{{ value_json.action }}")");
        row("no time in the attributes", "components/climate/json_attributes_template",
            R"("{{ {'address': value_json.address, 'fault_codes': value_json.fault_codes} | tojson }}")");
        row("fault", "components/fault/device_class", R"("problem")");
        row("fault codes as attributes", "components/fault/json_attributes_template",
            R"("{{ {'codes': value_json.fault_codes, 'text': value_json.fault_text} | tojson }}")");
        row("room unit", "components/room_temperature/unit_of_measurement", R"("°C")");
        row("pipe diagnostic", "components/pipe_t3/entity_category", R"("diagnostic")");
        row("lock switch", "components/remote_lock/command_topic", R"("brezzano/office/5/set/remote_lock")");
        row("lock state", "components/remote_lock/value_template",
            R"("{{ 'ON' if value_json.remote_lock else 'OFF' }}")");
        row("schedule switch", "components/schedule/command_topic", R"("brezzano/office/5/set/schedule")");
    }

    void discovery()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const TunitRecord unit = unitWith({}, QStringLiteral("Hall"), 18, 28);
        bridge::Topics topics;
        topics.bridgeId = QStringLiteral("b1");
        const bridge::Message message = bridge::unitDiscovery(topics, Office, unit, 5);
        QCOMPARE(message.topic, QStringLiteral("homeassistant/device/brezzano/office_5/config"));
        const QJsonObject config = QJsonDocument::fromJson(message.payload).object();
        const QJsonValue want = QJsonDocument::fromJson("[" + expected.toUtf8() + "]").array().at(0);
        QCOMPARE(at(config, path), want);
    }

    // Two prefixes never share a discovery topic or an id, even when their slugs are alike.
    void discoveryTopicsAndRemoval()
    {
        const auto configOf = [](const QString &prefix) {
            bridge::Topics topics;
            topics.prefix = prefix;
            topics.discoveryPrefix = QStringLiteral("ha");
            return bridge::unitDiscovery(topics, Office, unitWith({}), 64);
        };
        const QStringList prefixes{"site1", "site2", "site/a", "site_a", "Site_a"};
        QSet<QString> seen;
        for (const QString &prefix : prefixes) {
            const bridge::Message message = configOf(prefix);
            const QJsonObject climate = QJsonDocument::fromJson(message.payload).object();
            for (const QString &key : {message.topic, at(climate, "components/climate/unique_id").toString(),
                                       at(climate, "device/identifiers/0").toString()}) {
                QVERIFY2(!seen.contains(key), qPrintable(key));
                seen.insert(key);
            }
        }
        bridge::Topics topics;
        topics.prefix = QStringLiteral("site/a");
        topics.discoveryPrefix = QStringLiteral("ha");
        const bridge::Message message = configOf(topics.prefix);
        QVERIFY2(QRegularExpression(QStringLiteral("^ha/device/site_a_[0-9a-f]{8}/office_64/config$"))
                     .match(message.topic)
                     .hasMatch(),
                 qPrintable(message.topic));
        const bridge::Message removal = bridge::unitRemoval(topics, Office.id, 64);
        QCOMPARE(removal.topic, message.topic);
        QVERIFY(removal.payload.isEmpty());
        // A unit that has reported no limits gets the controller's widest range; an unnamed one a name.
        const QJsonObject config = QJsonDocument::fromJson(message.payload).object();
        QCOMPARE(at(config, "components/climate/min_temp").toInt(), 17);
        QCOMPARE(at(config, "components/climate/max_temp").toInt(), 30);
        QCOMPARE(at(config, QStringLiteral("device/name")).toString(), QStringLiteral("Unit 64"));

        // The controller's device is the one the units name as via_device.
        const bridge::Message link = bridge::controllerDiscovery(topics, Office);
        QVERIFY(link.topic.endsWith(QStringLiteral("/office_link/config")));
        const QJsonObject linkConfig = QJsonDocument::fromJson(link.payload).object();
        QCOMPARE(at(linkConfig, QStringLiteral("device/identifiers/0")),
                 at(config, QStringLiteral("device/via_device")));
        QCOMPARE(at(linkConfig, "components/link/state_topic").toString(),
                 QStringLiteral("site/a/office/availability"));
    }
};

QTEST_GUILESS_MAIN(TestPayloads)
#include "tst_payloads.moc"
