// Commands from the broker: which unit and field a topic addresses, what its
// payload may change, why a payload is refused, and when a waiting change lapses.
#include "bridge/Commands.h"
#include "units/Setting.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// "office 5 mode=2", or "refused: <reason>".
QString outcome(const QString &topic, const QByteArray &payload, const bridge::Limits &limits)
{
    const auto target = bridge::parseTarget(QStringLiteral("brezzano"), topic);
    if (!target.ok)
        return QStringLiteral("refused: ") + target.reason;
    const auto change = bridge::parseChange(target.value.field, payload, limits);
    if (!change.ok)
        return QStringLiteral("refused: ") + change.reason;
    const bridge::Change &c = change.value;
    QString value;
    switch (c.field) {
    case bridge::Field::Mode:
        value = QStringLiteral("mode=%1").arg(c.modeButton);
        break;
    case bridge::Field::FanMode:
        value = QStringLiteral("fan=%1").arg(c.fanButton);
        break;
    case bridge::Field::Temperature:
        value = QStringLiteral("temp=%1").arg(c.temperature);
        break;
    case bridge::Field::Name:
        value = QStringLiteral("name=") + c.name;
        break;
    case bridge::Field::Power:
    case bridge::Field::Swing:
    case bridge::Field::RemoteLock:
    case bridge::Field::Schedule:
        value = QStringLiteral("%1=%2")
                    .arg(topic.section(QLatin1Char('/'), -1))
                    .arg(QLatin1String(c.on ? "on" : "off"));
        break;
    }
    return QStringLiteral("%1 %2 %3").arg(target.value.controller).arg(target.value.unit).arg(value);
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void commands_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const char *topic, const QByteArray &payload,
                            const char *expected) {
            QTest::newRow(name) << QString::fromUtf8(topic) << payload << QString::fromUtf8(expected);
        };
        // The unit's limits are 18 to 28 in every row.
        row("mode", "brezzano/office/5/set/mode", "cool", "office 5 mode=2");
        row("mode off", "brezzano/office/0/set/mode", "off", "office 0 mode=0");
        row("fan for all units", "brezzano/office/all/set/fan_mode", "high", "office 255 fan=3");
        row("temperature as Home Assistant sends it", "brezzano/office/64/set/temperature", "24.0",
            "office 64 temp=24");
        row("upper limit", "brezzano/office/5/set/temperature", " 28 ", "office 5 temp=28");
        row("above the limit", "brezzano/office/5/set/temperature", "29",
            "refused: temperature 29 outside 18 to 28");
        row("below the limit", "brezzano/office/5/set/temperature", "17",
            "refused: temperature 17 outside 18 to 28");
        row("half degree", "brezzano/office/5/set/temperature", "24.5",
            "refused: temperature 24.5 is not a whole degree");
        row("not a number", "brezzano/office/5/set/temperature", "warm",
            "refused: temperature \"warm\" is not a number");
        row("infinite", "brezzano/office/5/set/temperature", "inf",
            "refused: temperature \"inf\" is not a number");
        row("unknown mode", "brezzano/office/5/set/mode", "heat_cool", "refused: unknown mode \"heat_cool\"");
        row("mode names are lower case", "brezzano/office/5/set/mode", "COOL",
            "refused: unknown mode \"COOL\"");
        row("very low cannot be set", "brezzano/office/5/set/fan_mode", "very_low",
            "refused: the controller sets no very low fan speed");
        row("name of 15", "brezzano/office/5/set/name", "Sala riunioni 1", "office 5 name=Sala riunioni 1");
        row("Latin-1 letters", "brezzano/office/5/set/name", "Caffè", "office 5 name=Caffè");
        row("name of 16", "brezzano/office/5/set/name", "Sala riunioni 12",
            "refused: name longer than 15 characters");
        row("beyond Latin-1", "brezzano/office/5/set/name", "Büro €",
            "refused: name has characters the controller cannot store");
        row("control character", "brezzano/office/5/set/name", "a\tb",
            "refused: name has characters the controller cannot store");
        row("not UTF-8", "brezzano/office/5/set/name", QByteArray("\xff\xfe", 2),
            "refused: name has characters the controller cannot store");
        row("empty name", "brezzano/office/5/set/name", "", "refused: empty name");
        row("blank name", "brezzano/office/5/set/name", "   ", "refused: empty name");
        row("power", "brezzano/office/5/set/power", "ON", "office 5 power=on");
        row("swing", "brezzano/office/5/set/swing", "off", "office 5 swing=off");
        row("remote lock", "brezzano/office/5/set/remote_lock", "ON", "office 5 remote_lock=on");
        row("schedule", "brezzano/office/all/set/schedule", "OFF", "office 255 schedule=off");
        row("switch payload", "brezzano/office/5/set/power", "1", "refused: \"1\" is neither ON nor OFF");
        row("no such address", "brezzano/office/65/set/mode", "cool",
            "refused: unit 65 is no address (0 to 64 or all)");
        row("leading zero", "brezzano/office/05/set/mode", "cool",
            "refused: unit 05 is no address (0 to 64 or all)");
        row("unknown field", "brezzano/office/5/set/flap", "on", "refused: unknown field flap");
        row("state topic", "brezzano/office/5/state", "{}", "refused: not a command topic");
        row("deeper topic", "brezzano/office/5/set/mode/x", "cool", "refused: not a command topic");
        row("other prefix", "brezzano2/office/5/set/mode", "cool", "refused: not under brezzano/");
    }

    void commands()
    {
        QFETCH(QString, topic);
        QFETCH(QByteArray, payload);
        QFETCH(QString, expected);
        QCOMPARE(outcome(topic, payload, bridge::Limits{18, 28}), expected);
    }

    // What a unit's state reports is accepted back as a command, for every control the dialog has.
    void stateNamesAreCommands()
    {
        for (size_t i = 0; i < setting::ModeValues.size(); ++i)
            QCOMPARE(bridge::modeButtonNamed(bridge::modeName(quint8(setting::ModeValues[i]))), int(i));
        for (size_t i = 0; i < setting::FanValues.size(); ++i)
            QCOMPARE(bridge::fanButtonNamed(bridge::fanName(quint8(setting::FanValues[i]))), int(i));
    }

    // Power and off keep the unit's mode: on resumes what it kept while off, else what the
    // bridge saw last, else auto.
    void powerKeepsTheMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("remembered");
        QTest::addColumn<int>("expected");
        QTest::newRow("off keeps the cooling bits") << 0x88 << false << 0 << 0x08;
        QTest::newRow("on resumes cooling") << 0x08 << true << 0x84 << 0x88;
        QTest::newRow("already on") << 0x82 << true << 0 << 0x82;
        QTest::newRow("no bits: the last mode seen") << 0x00 << true << 0x84 << 0x84;
        QTest::newRow("unlisted bits: the last mode seen") << 0x03 << true << 0x81 << 0x81;
        QTest::newRow("nothing known: auto") << 0x00 << true << 0 << 0x90;
    }
    void powerKeepsTheMode()
    {
        QFETCH(int, mode);
        QFETCH(bool, on);
        QFETCH(int, remembered);
        QFETCH(int, expected);
        QCOMPARE(int(bridge::powerMode(quint8(mode), on, quint8(remembered))), expected);
        // The mode "off" of Home Assistant's list keeps the bits the same way.
        if (!on) {
            TunitRecord unit;
            unit.buffer[units::ModeByte] = quint8(mode);
            bridge::Change off;
            off.field = bridge::Field::Mode;
            off.modeButton = 0;
            QCOMPARE(int(*bridge::unitChange(off, unit, 0).mode), expected);
        }
    }

    void waitingChangesLapseAfterOnePeriod()
    {
        std::vector<bridge::QueuedChange> queue(3);
        for (int i = 0; i < 3; ++i) {
            queue[size_t(i)].queuedAt = 1000 * i;
            queue[size_t(i)].period = 30000;
            queue[size_t(i)].topic = QString::number(i);
        }
        QVERIFY(bridge::takeExpired(queue, 29999).empty());
        const auto lapsed = bridge::takeExpired(queue, 31000);
        QCOMPARE(lapsed.size(), size_t(2));
        QCOMPARE(lapsed[0].topic, QStringLiteral("0"));
        QCOMPARE(lapsed[1].topic, QStringLiteral("1"));
        QCOMPARE(queue.size(), size_t(1));
        QCOMPARE(queue[0].topic, QStringLiteral("2"));

        const QJsonObject error =
            QJsonDocument::fromJson(bridge::errorPayload(QStringLiteral("brezzano/office/5/set/mode"), "cool",
                                                         QStringLiteral("controller unreachable"),
                                                         QDateTime::fromSecsSinceEpoch(0, Qt::UTC)))
                .object();
        QCOMPARE(error.value(QStringLiteral("error")).toString(), QStringLiteral("controller unreachable"));
        QCOMPARE(error.value(QStringLiteral("payload")).toString(), QStringLiteral("cool"));
        QCOMPARE(error.value(QStringLiteral("time")).toString(), QStringLiteral("1970-01-01T00:00:00Z"));
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
