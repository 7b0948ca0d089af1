#include "link/Frame.h"
#include "schedules/Program.h"
#include "schedules/ProgramJson.h"

#include <QJsonDocument>

#include <QJsonArray>
#include <QTest>

#include <algorithm>

namespace {

// Entry i of a generated schedule: distinct times and a spread of codes.
TprogRecord generated(int i)
{
    return {i * 100 + 7, 16 + i % 15, i % 7, i % 5};
}

void fill(TprogRecordList &list, int count)
{
    for (int i = 0; i < count; ++i) {
        const TprogRecord e = generated(i);
        list.Add(e.Time, e.Temp, e.Mode, e.Fan);
    }
}

// The wire slots of generated entries first..last-1, as written in a frame.
QByteArray generatedSlots(int first, int last)
{
    QByteArray out;
    for (int i = first; i < last; ++i) {
        const TprogRecord e = generated(i);
        out += QString::asprintf("%04X%02X%X%X", e.Time, e.Temp, e.Mode, e.Fan).toLatin1();
    }
    return out;
}

QByteArray emptySlots(int count)
{
    return QByteArray("FFFFFFFF").repeated(count);
}

QString describe(const std::vector<TprogRecord> &entries)
{
    QStringList parts;
    for (const TprogRecord &e : entries)
        parts << QStringLiteral("%1,%2,%3,%4").arg(e.Time).arg(e.Temp).arg(e.Mode).arg(e.Fan);
    return parts.join(QLatin1Char(';'));
}

QStringList englishTexts()
{
    QStringList t;
    for (int i = 0; i < 170; ++i)
        t << QString();
    const QStringList days = {QStringLiteral("Monday"),    QStringLiteral("Tuesday"),
                              QStringLiteral("Wednesday"), QStringLiteral("Thursday"),
                              QStringLiteral("Friday"),    QStringLiteral("Saturday"),
                              QStringLiteral("Sunday")};
    for (int d = 0; d < 7; ++d)
        t[4 + d] = days.at(d);
    t[76] = QStringLiteral("OFF");
    t[79] = QStringLiteral("Auto");
    t[80] = QStringLiteral("Cooling");
    t[81] = QStringLiteral("Heating");
    t[82] = QStringLiteral("Drying");
    t[83] = QStringLiteral("Ventilation");
    t[86] = QStringLiteral("Low");
    t[87] = QStringLiteral("Medium");
    t[88] = QStringLiteral("High");
    t[142] = QStringLiteral("*");
    t[143] = QStringLiteral("Mode");
    return t;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entryBytes_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("temp");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("fan");
        QTest::addColumn<QByteArray>("hex");

        QTest::newRow("monday 08:30 22 cooling low") << 510 << 22 << 3 << 2 << QByteArray("01fe1632");
        QTest::newRow("sunday 23:59") << 10079 << 30 << 4 << 4 << QByteArray("275f1e44");
        QTest::newRow("week start unset codes") << 0 << 0 << 0 << 0 << QByteArray("00000000");
        QTest::newRow("negative temp low byte") << 60 << -5 << 1 << 1 << QByteArray("003cfb11");
    }

    void entryBytes()
    {
        QFETCH(int, time);
        QFETCH(int, temp);
        QFETCH(int, mode);
        QFETCH(int, fan);
        QFETCH(QByteArray, hex);
        QCOMPARE(schedule::entryBytes({time, temp, mode, fan}).toHex(), hex);
    }

    void weekProgramFrame_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("addr");
        QTest::addColumn<bool>("secondBlock");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("sent");

        QTest::newRow("empty to unit 5") << 0 << 5 << false << "*MK27F2*05" + emptySlots(30) + "#" << 0;
        QTest::newRow("one entry to all units")
            << 1 << 255 << false << "*MK27F2*FF" + generatedSlots(0, 1) + emptySlots(29) + "#" << 1;
        QTest::newRow("30 entries fill block 1")
            << 30 << 7 << false << "*MK27F2*07" + generatedSlots(0, 30) + "#" << 30;
        QTest::newRow("30 entries block 2 repeats block 1")
            << 30 << 7 << true << "*MK28F2*07" + generatedSlots(0, 30) + "#" << 30;
        QTest::newRow("31 entries block 1")
            << 31 << 63 << false << "*MK27F2*3F" + generatedSlots(0, 30) + "#" << 30;
        QTest::newRow("31 entries block 2")
            << 31 << 63 << true << "*MK28F2*3F" + generatedSlots(30, 31) + emptySlots(29) + "#" << 1;
        QTest::newRow("60 entries block 2 full")
            << 60 << 1 << true << "*MK28F2*01" + generatedSlots(30, 60) + "#" << 30;
        QTest::newRow("62 entries block 2 stops at 60")
            << 62 << 0 << true << "*MK28F2*00" + generatedSlots(30, 60) + "#" << 30;
    }

    void weekProgramFrame()
    {
        QFETCH(int, count);
        QFETCH(int, addr);
        QFETCH(bool, secondBlock);
        QFETCH(QByteArray, frame);
        QFETCH(int, sent);

        TprogRecordList list;
        fill(list, count);
        const schedule::WeekBlock block = schedule::weekProgramFrame(list, addr, secondBlock);
        QCOMPARE(block.frame, frame);
        QCOMPARE(block.total, count);
        QCOMPARE(block.sent, sent);
    }

    // What goes out in a block comes back from the same bytes, the address in the leading byte.
    void weekProgramFrameDecodesBack()
    {
        TprogRecordList list;
        fill(list, 31);
        std::vector<TprogRecord> expected;
        for (int i = 0; i < 31; ++i)
            expected.push_back(generated(i));

        std::vector<TprogRecord> decoded;
        for (const bool second : {false, true}) {
            const frame::ParsedLine parsed =
                frame::parseLine(schedule::weekProgramFrame(list, 9, second).frame);
            QCOMPARE(parsed.kind, frame::LineKind::Packet);
            QCOMPARE(parsed.packet.len, 121);
            const auto part = schedule::decodeBlock(parsed.packet.data, true);
            decoded.insert(decoded.end(), part.begin(), part.end());
        }
        QCOMPARE(describe(decoded), describe(expected));
    }

    void decodeBlock_data()
    {
        QTest::addColumn<QByteArray>("payload"); // hex
        QTest::addColumn<bool>("secondBlock");
        QTest::addColumn<QString>("entries");

        QTest::newRow("one entry") << QByteArray("01FE1632") << false << QStringLiteral("510,22,3,2");
        QTest::newRow("empty first slot") << QByteArray("FFFFFFFF01FE1632") << false << QString();
        QTest::newRow("empty slot ends block")
            << QByteArray("01FE1632FFFFFFFF003C1411") << false << QStringLiteral("510,22,3,2");
        QTest::newRow("sunday 23:59 kept, 10080 stops")
            << QByteArray("275F1E442760140000001400") << false << QStringLiteral("10079,30,4,4");
        QTest::newRow("incomplete trailing entry")
            << QByteArray("01FE16320102") << false << QStringLiteral("510,22,3,2");
        QTest::newRow("too short for an entry") << QByteArray("01FE16") << false << QString();
        QTest::newRow("high codes") << QByteArray("000A14FF") << false << QStringLiteral("10,20,15,15");
        QTest::newRow("block 2 skips leading byte")
            << QByteArray("0701FE1632") << true << QStringLiteral("510,22,3,2");
        QTest::newRow("block 2 leading byte only") << QByteArray("07") << true << QString();
        QTest::newRow("empty payload") << QByteArray() << true << QString();

        QByteArray full = "AA" + generatedSlots(0, 30);
        QStringList all;
        for (int i = 0; i < 30; ++i) {
            const TprogRecord e = generated(i);
            all << QStringLiteral("%1,%2,%3,%4").arg(e.Time).arg(e.Temp).arg(e.Mode).arg(e.Fan);
        }
        QTest::newRow("block 2 with 30 entries") << full << true << all.join(QLatin1Char(';'));
    }

    void decodeBlock()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, secondBlock);
        QFETCH(QString, entries);
        QCOMPARE(describe(schedule::decodeBlock(QByteArray::fromHex(payload), secondBlock)), entries);
    }

    void entryLine_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("temp");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("fan");
        QTest::addColumn<bool>("emptyTable");
        QTest::addColumn<QString>("line");

        QTest::newRow("monday cooling low")
            << 510 << 22 << 3 << 2 << false
            << QStringLiteral("Monday 08:30 - Temp. 22\u00B0C - Mode: Cooling - "
                              "Ventilation: Low");
        QTest::newRow("sunday unset codes") << 10079 << 5 << 0 << 0 << false
                                            << QStringLiteral("Sunday 23:59 - Temp. 05\u00B0C - Mode: * - "
                                                              "Ventilation: *");
        QTest::newRow("wednesday off auto")
            << 2 * 1440 + 600 << 30 << 1 << 1 << false
            << QStringLiteral("Wednesday 10:00 - Temp. 30\u00B0C - Mode: OFF - "
                              "Ventilation: Auto");
        QTest::newRow("friday ventilation high") << 4 * 1440 << 24 << 6 << 4 << false
                                                 << QStringLiteral("Friday 00:00 - Temp. 24\u00B0C - Mode: "
                                                                   "Ventilation - Ventilation: High");
        QTest::newRow("negative codes and time past week")
            << 10080 << 20 << -1 << -3 << false
            << QStringLiteral(" 00:00 - Temp. 20\u00B0C - Mode:  - Ventilation: ");
        QTest::newRow("no texts loaded")
            << 510 << 22 << 15 << 15 << true << QStringLiteral(" 08:30 - Temp. 22\u00B0C - :  - : ");
    }

    void entryLine()
    {
        QFETCH(int, time);
        QFETCH(int, temp);
        QFETCH(int, mode);
        QFETCH(int, fan);
        QFETCH(bool, emptyTable);
        QFETCH(QString, line);
        QCOMPARE(schedule::entryLine({time, temp, mode, fan}, emptyTable ? QStringList() : englishTexts()),
                 line);
    }

    // The two merge rules: a received entry changes only Temp of a planned minute;
    // an edited one replaces Temp, Mode and Fan, and a 60th minute is refused.
    void mergeRules_data()
    {
        QTest::addColumn<int>("present"); // generated entries already in the list
        QTest::addColumn<int>("time");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<int>("editResult");

        using R = TprogRecordList::EditResult;
        QTest::newRow("new minute, empty list") << 0 << 600 << "600,25,4,4"
                                                << "600,25,4,4" << int(R::Added);
        QTest::newRow("planned minute") << 3 << 107 << "7,16,0,0;107,25,1,1;207,18,2,2"
                                        << "7,16,0,0;107,25,4,4;207,18,2,2" << int(R::Replaced);
        QTest::newRow("58 entries take a 59th") << 58 << 9999 << ""
                                                << "" << int(R::Added);
        QTest::newRow("59 entries refuse a new minute") << 59 << 9999 << ""
                                                        << "" << int(R::Refused);
        QTest::newRow("59 entries replace a planned minute") << 59 << 5807 << ""
                                                             << "" << int(R::Replaced);
    }

    void mergeRules()
    {
        QFETCH(int, present);
        QFETCH(int, time);
        QFETCH(QString, received);
        QFETCH(QString, edited);
        QFETCH(int, editResult);
        const TprogRecord entry{time, 25, 4, 4};

        TprogRecordList fromUnit;
        fill(fromUnit, present);
        const std::vector<TprogRecord> before = fromUnit.entries();
        const bool planned =
            std::any_of(before.begin(), before.end(), [&](const TprogRecord &e) { return e.Time == time; });
        // A unit's own list is never limited: its blocks hold 60 entries.
        QCOMPARE(fromUnit.addReceived(entry), !planned);
        QCOMPARE(fromUnit.Count(), present + (planned ? 0 : 1));

        TprogRecordList inEditor;
        fill(inEditor, present);
        QCOMPARE(int(inEditor.setEdited(entry)), editResult);
        QCOMPARE(inEditor.Count(), present + (editResult == int(TprogRecordList::EditResult::Added) ? 1 : 0));
        if (!received.isEmpty()) {
            QCOMPARE(describe(fromUnit.entries()), received);
            QCOMPARE(describe(inEditor.entries()), edited);
        }
        const auto at = [&](const TprogRecordList &list) {
            for (const auto &e : list)
                if (e->Time == time)
                    return describe({*e});
            return QString();
        };
        if (editResult == int(TprogRecordList::EditResult::Replaced))
            QCOMPARE(at(inEditor), QStringLiteral("%1,25,4,4").arg(time));
    }

    void forChosenDays_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("accepted"); // how many calls succeed before every later one is refused
        QTest::addColumn<QList<int>>("tried");

        const int m = 6 * 60;
        QTest::newRow("tuesday") << 1 << 9 << QList<int>{1440 + m};
        QTest::newRow("sunday") << 6 << 9 << QList<int>{6 * 1440 + m};
        QTest::newRow("mon-fri") << 7 << 9 << QList<int>{m, 1800, 3240, 4680, 6120};
        QTest::newRow("mon-fri tries every day after a refusal")
            << 7 << 2 << QList<int>{m, 1800, 3240, 4680, 6120};
        QTest::newRow("sat-sun") << 8 << 9 << QList<int>{5 * 1440 + m, 6 * 1440 + m};
        QTest::newRow("sat-sun stops at the first refusal") << 8 << 0 << QList<int>{5 * 1440 + m};
        QTest::newRow("all days") << 9 << 9 << QList<int>{m, 1800, 3240, 4680, 6120, 7560, 9000};
        QTest::newRow("all days stop after the fifth") << 9 << 4 << QList<int>{m, 1800, 3240, 4680, 6120};
        QTest::newRow("no choice") << -1 << 9 << QList<int>{};
        QTest::newRow("past the list") << 10 << 9 << QList<int>{};
    }

    void forChosenDays()
    {
        QFETCH(int, choice);
        QFETCH(int, accepted);
        QFETCH(QList<int>, tried);
        QList<int> calls;
        schedule::forChosenDays(choice, 6 * 60, [&](int time) {
            calls << time;
            return calls.size() <= accepted;
        });
        QCOMPARE(calls, tried);
    }

    // Every code a unit may send comes back as it went out, words or numbers, in time order.
    void jsonRoundTrip()
    {
        const std::vector<TprogRecord> entries{
            {10079, 30, 6, 4}, {0, 17, 0, 0}, {510, 22, 3, 2}, {1865, 21, 9, 15}};
        const QJsonObject json = schedule::toJson(4, entries);
        const QJsonValue first = json.value(QStringLiteral("entries")).toArray().at(2);
        QCOMPARE(first.toObject().value(QStringLiteral("at")).toString(), QStringLiteral("Mon 08:30"));
        QCOMPARE(first.toObject().value(QStringLiteral("mode")).toString(), QStringLiteral("cooling"));
        const schedule::JsonRead read = schedule::fromJson(QJsonDocument(json).toJson());
        QCOMPARE(read.error, schedule::JsonError::None);
        QCOMPARE(read.entries.size(), entries.size());
        std::vector<TprogRecord> sorted = entries;
        std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.Time < b.Time; });
        for (size_t i = 0; i < sorted.size(); ++i) {
            QCOMPARE(read.entries[i].Time, sorted[i].Time);
            QCOMPARE(read.entries[i].Temp, sorted[i].Temp);
            QCOMPARE(read.entries[i].Mode, sorted[i].Mode);
            QCOMPARE(read.entries[i].Fan, sorted[i].Fan);
        }
    }

    void jsonRefusals_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("field");
        const int bad = int(schedule::JsonError::BadEntry);
        QTest::newRow("no day") << QByteArray(R"({"at": "08:30", "temp": 22, "mode": 1, "fan": 1})") << bad
                                << "at";
        QTest::newRow("hour 24") << QByteArray(R"({"at": "Sun 24:00", "temp": 22, "mode": 1, "fan": 1})")
                                 << bad << "at";
        QTest::newRow("lower-case day")
            << QByteArray(R"({"at": "mon 08:30", "temp": 22, "mode": 1, "fan": 1})") << bad << "at";
        QTest::newRow("temp 16") << QByteArray(R"({"at": "Mon 08:30", "temp": 16, "mode": 1, "fan": 1})")
                                 << bad << "temp";
        QTest::newRow("temp 22.5") << QByteArray(R"({"at": "Mon 08:30", "temp": 22.5, "mode": 1, "fan": 1})")
                                   << bad << "temp";
        QTest::newRow("mode 16") << QByteArray(R"({"at": "Mon 08:30", "temp": 22, "mode": 16, "fan": 1})")
                                 << bad << "mode";
        QTest::newRow("fan word") << QByteArray(
                                         R"({"at": "Mon 08:30", "temp": 22, "mode": 1, "fan": "fast"})")
                                  << bad << "fan";
        QTest::newRow("no fan") << QByteArray(R"({"at": "Mon 08:30", "temp": 22, "mode": 1})") << bad
                                << "fan";
        QTest::newRow("same minute") << QByteArray(R"({"at": "Mon 00:00", "temp": 22, "mode": 1, "fan": 1})")
                                     << int(schedule::JsonError::SameMinute) << "at";
    }

    // The second entry is the one looked at; the first is always fine.
    void jsonRefusals()
    {
        QFETCH(QByteArray, entry);
        QFETCH(int, error);
        QFETCH(QString, field);
        const schedule::JsonRead read = schedule::fromJson(
            R"({"entries": [{"at": "Mon 00:00", "temp": 20, "mode": "off", "fan": "*"}, )" + entry + "]}");
        QCOMPARE(int(read.error), error);
        QCOMPARE(read.entry, 2);
        QCOMPARE(read.field, field);
        QVERIFY(read.entries.empty());
    }

    void jsonLimits()
    {
        QCOMPARE(schedule::fromJson("[]").error, schedule::JsonError::NotAnObject);
        QCOMPARE(schedule::fromJson(R"({"entries": {}})").error, schedule::JsonError::NotAnObject);
        QByteArray many = R"({"entries": [)";
        for (int i = 0; i <= TprogRecordList::MaxEdited; ++i)
            many += QStringLiteral(R"(%1{"at": "Mon %2:%3", "temp": 20, "mode": 1, "fan": 1})")
                        .arg(i ? "," : "")
                        .arg(i / 60, 2, 10, QLatin1Char('0'))
                        .arg(i % 60, 2, 10, QLatin1Char('0'))
                        .toUtf8();
        QCOMPARE(schedule::fromJson(many + "]}").error, schedule::JsonError::TooMany);
    }

    void sortByTimeKeepsEqualTimesInOrder()
    {
        TprogRecordList list;
        list.Add(300, 1, 0, 0);
        list.Add(100, 2, 0, 0);
        list.Add(200, 3, 0, 0);
        list.Add(100, 4, 0, 0);
        list.sortByTime();
        QList<int> temps;
        for (const auto &e : list)
            temps << e->Temp;
        QCOMPARE(temps, QList<int>({2, 4, 3, 1}));
    }
};

QTEST_APPLESS_MAIN(TestProgram)
#include "tst_program.moc"
