// What the bridge publishes for a unit: the state message and the Home
// Assistant discovery configs, checked field by field against hand-made values.
#include "bridge/Payloads.h"

#include <QJsonArray>
#include <QJsonDocument>
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
            << json("{'address':5,'name':'Hall','mode':'cool','fan':'medium','set_temperature':24,"
                    "'room_temperature':23.5,'flap':true,'remote_lock':true,'fault':false,"
                    "'fault_codes':[],'fault_text':''}");
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
            << json("{'address':5,'name':'','mode':'off','fan':'very_low','set_temperature':30,"
                    "'room_temperature':-20,'pipe_t2a':10.5,'pipe_t3':-20,'flap':false,'remote_lock':false,"
                    "'fault':true,'fault_codes':['E3','P1','P3','2#'],'fault_text':'Error code : E3 P1 P3 "
                    "2#'}");
        QTest::newRow("mode and fan bits no control shows")
            << unitWith({{2, 0x83}, {3, 0x03}, {6, 255}, {7, 255}, {8, 255}})
            << json("{'address':5,'name':'','mode':null,'fan':null,'set_temperature':0,"
                    "'room_temperature':-20,'flap':false,'remote_lock':false,"
                    "'fault':false,'fault_codes':[],'fault_text':''}");
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
        QTest::addColumn<int>("entity"); // 0 climate, 1 fault, 2 room temperature
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected"); // JSON

        const auto row = [](const char *name, int entity, const char *path, const char *expected) {
            QTest::newRow(name) << entity << QString::fromLatin1(path) << QString::fromUtf8(expected);
        };
        row("climate modes", 0, "modes", R"(["off","auto","cool","heat","dry","fan_only"])");
        row("climate fan modes", 0, "fan_modes", R"(["auto","high","medium","low"])");
        row("climate min", 0, "min_temp", "18");
        row("climate max", 0, "max_temp", "28");
        row("climate step", 0, "temp_step", "1");
        row("mode command", 0, "mode_command_topic", R"("brezzano/office/5/set/mode")");
        row("fan command", 0, "fan_mode_command_topic", R"("brezzano/office/5/set/fan_mode")");
        row("temperature command", 0, "temperature_command_topic", R"("brezzano/office/5/set/temperature")");
        row("mode state", 0, "mode_state_topic", R"("brezzano/office/5/state")");
        row("set temperature state", 0, "temperature_state_template",
            R"("{{ value_json.set_temperature }}")");
        row("room temperature", 0, "current_temperature_topic", R"("brezzano/office/5/state")");
        row("climate attributes", 0, "json_attributes_topic", R"("brezzano/office/5/state")");
        row("bridge availability", 0, "availability/0/topic", R"("brezzano/bridge/availability")");
        row("controller availability", 0, "availability/1/topic", R"("brezzano/office/availability")");
        row("both must be online", 0, "availability_mode", R"("all")");
        row("climate unique id", 0, "unique_id", R"("brezzano_office_5_climate")");
        row("unit device", 0, "device/identifiers", R"(["brezzano_office_5"])");
        row("unit device name", 0, "device/name", R"("Hall")");
        row("under its controller", 0, "device/via_device", R"("brezzano_office")");
        row("fault class", 1, "device_class", R"("problem")");
        row("fault state", 1, "state_topic", R"("brezzano/office/5/state")");
        row("fault codes as attributes", 1, "json_attributes_template",
            R"("{{ {'codes': value_json.fault_codes, 'text': value_json.fault_text} | tojson }}")");
        row("fault unique id", 1, "unique_id", R"("brezzano_office_5_fault")");
        row("fault on the same device", 1, "device/identifiers", R"(["brezzano_office_5"])");
        row("room class", 2, "device_class", R"("temperature")");
        row("room unit", 2, "unit_of_measurement", R"("°C")");
        row("room value", 2, "value_template", R"("{{ value_json.room_temperature }}")");
    }

    void discovery()
    {
        QFETCH(int, entity);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const TunitRecord unit = unitWith({}, QStringLiteral("Hall"), 18, 28);
        const auto messages = bridge::unitDiscovery(bridge::Topics(), Office, unit, 5);
        QCOMPARE(messages.size(), size_t(3));
        const QJsonObject config = QJsonDocument::fromJson(messages[size_t(entity)].payload).object();
        const QJsonValue want = QJsonDocument::fromJson("[" + expected.toUtf8() + "]").array().at(0);
        QCOMPARE(at(config, path), want);
    }

    void discoveryTopicsAndRemoval()
    {
        bridge::Topics topics;
        topics.prefix = QStringLiteral("site/a");
        topics.discoveryPrefix = QStringLiteral("ha");
        const auto messages = bridge::unitDiscovery(topics, Office, unitWith({}), 64);
        const QStringList expected{QStringLiteral("ha/climate/brezzano_office/64_climate/config"),
                                   QStringLiteral("ha/binary_sensor/brezzano_office/64_fault/config"),
                                   QStringLiteral("ha/sensor/brezzano_office/64_room_temperature/config")};
        const auto removal = bridge::unitRemoval(topics, Office.id, 64);
        for (size_t i = 0; i < 3; ++i) {
            QCOMPARE(messages[i].topic, expected[int(i)]);
            QCOMPARE(removal[i].topic, expected[int(i)]);
            QVERIFY(removal[i].payload.isEmpty());
        }
        // A unit that has reported no limits gets the controller's widest range; an unnamed one a name.
        const QJsonObject climate = QJsonDocument::fromJson(messages[0].payload).object();
        QCOMPARE(climate.value(QStringLiteral("min_temp")).toInt(), 17);
        QCOMPARE(climate.value(QStringLiteral("max_temp")).toInt(), 30);
        QCOMPARE(at(climate, QStringLiteral("device/name")).toString(), QStringLiteral("Unit 64"));
        QCOMPARE(climate.value(QStringLiteral("mode_command_topic")).toString(),
                 QStringLiteral("site/a/office/64/set/mode"));

        // The controller's device is the one the units name as via_device.
        const bridge::Message link = bridge::controllerDiscovery(topics, Office);
        QCOMPARE(link.topic, QStringLiteral("ha/binary_sensor/brezzano_office/link/config"));
        const QJsonObject config = QJsonDocument::fromJson(link.payload).object();
        QCOMPARE(at(config, QStringLiteral("device/identifiers/0")),
                 at(climate, QStringLiteral("device/via_device")));
        QCOMPARE(config.value(QStringLiteral("state_topic")).toString(),
                 QStringLiteral("site/a/office/availability"));
    }
};

QTEST_GUILESS_MAIN(TestPayloads)
#include "tst_payloads.moc"
