#include "history/Csv.h"
#include "history/PanelCsv.h"
#include "session/ControllerModel.h"
#include "shell/Texts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

class TestCsv : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void quoting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "Sala 1"
                               << "Sala 1";
        QTest::newRow("comma") << "a,b"
                               << "\"a,b\"";
        QTest::newRow("quote doubled") << "2\" pipe"
                                       << "\"2\"\" pipe\"";
        QTest::newRow("line break") << "a\nb"
                                    << "\"a\nb\"";
        QTest::newRow("lone CR") << "a\rb"
                                 << "\"a\rb\"";
        QTest::newRow("spaces kept as they are") << " a "
                                                 << " a ";
        // A cell a spreadsheet would run as a formula is kept as text; numbers stay numbers.
        QTest::newRow("formula") << "=HYPERLINK(\"x\")"
                                 << "\"'=HYPERLINK(\"\"x\"\")\"";
        QTest::newRow("plus") << "+cmd|' /C calc'!A0"
                              << "'+cmd|' /C calc'!A0";
        QTest::newRow("minus") << "-2+3"
                               << "'-2+3";
        QTest::newRow("at") << "@SUM(A1)"
                            << "'@SUM(A1)";
        QTest::newRow("negative number") << "-3.5"
                                         << "-3.5";
        QTest::newRow("plus sign number") << "+21"
                                          << "+21";
        // Words that a lenient number reading takes, and a spreadsheet runs.
        QTest::newRow("minus inf") << "-inf"
                                   << "'-inf";
        QTest::newRow("number and blank") << "-1 "
                                          << "'-1 ";
        // A name from the device may begin with any byte.
        QTest::newRow("leading tab") << "\t=1+1"
                                     << "'\t=1+1";
        QTest::newRow("leading line break") << "\n@x"
                                            << "\"'\n@x\"";
        QTest::newRow("leading escape") << "\x1b[2J"
                                        << "'\x1b[2J";
        QTest::newRow("tab inside") << "a\tb"
                                    << "a\tb";
    }
    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(csv::field(text), field);
    }

    // An independent reader must give back every field exactly, the "'" put
    // before a formula or a control character aside.
    void roundTrip()
    {
        const QStringList header = {QStringLiteral("Unit"), QStringLiteral("Text")};
        QList<QStringList> rows = {
            {QStringLiteral("Città, 2° piano"), QStringLiteral("say \"hi\"")},
            {QStringLiteral("line\r\nbreak"), QString()},
            {QStringLiteral("\"\""), QStringLiteral("Ünïcödé €")},
            {QStringLiteral("\r\n=1,\"2\""), QStringLiteral("\t-\"x\"\r")},
        };
        const QByteArray bytes = csv::document(header, rows);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"
                                 "Unit,Text\r\n"));
        QProcess python;
        python.start(QStringLiteral("python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import csv,io,json,sys\n"
                                     "text = sys.stdin.buffer.read().decode('utf-8-sig')\n"
                                     "rows = list(csv.reader(io.StringIO(text, newline=''), strict=True))\n"
                                     "sys.stdout.write(json.dumps(rows))")});
        if (!python.waitForStarted())
            QSKIP("python3 is not installed");
        python.write(bytes);
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished());
        QCOMPARE(python.exitCode(), 0);
        QList<QStringList> read;
        for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
            QStringList fields;
            for (const QJsonValue &f : row.toArray())
                fields << f.toString();
            read << fields;
        }
        for (QString &cell : rows.last())
            cell.prepend(QLatin1Char('\''));
        QCOMPARE(read, QList<QStringList>{header} + rows);
    }

    // The panel's units as numbers and codes a spreadsheet sums and filters, in
    // the order given; the name as the device sent it.
    void panelRowsHoldPlainNumbers()
    {
        ControllerModel model;
        model.unitsReadFrom = QStringLiteral("Piano 2");
        TunitRecord &cooling = model.unit_par[5];
        cooling.name = QStringLiteral("\tSala");
        cooling.buffer[units::ModeByte] = units::ModeOnBit | units::ModeCooling;
        cooling.buffer[units::FanByte] = units::FanAutoBit;
        cooling.buffer[units::SetTempByte] = 24;
        cooling.buffer[units::RoomTempByte] = 83; // 21.5 °C
        cooling.buffer[units::FirstFaultByte] = 0x02;
        cooling.buffer[units::FirstFaultByte + 2] = 0x04;
        TunitRecord &off = model.unit_par[0];
        off.name = QStringLiteral("Hall");
        off.buffer[units::FanByte] = units::FanLow;
        off.buffer[units::SetTempByte] = 22;
        off.buffer[units::RoomTempByte] = 80;
        const QDateTime readAt(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::OffsetFromUTC, 3600);

        const history::CsvTable table = history::panelTable(model, {5, 0}, languageTable(1), 1, readAt);
        QCOMPARE(table.header,
                 (QStringList{"Indirizzo", "Nome", "Modalità di funzionamento", "Velocità ventilatore",
                              "Temperatura impostata (°C)", "Temperatura ambiente (°C)", "Codici errore",
                              "Centrale", "Letto il"}));
        QCOMPARE(table.rows, (QList<QStringList>{{"5", "\tSala", "Raffrescamento", "Automatico", "24", "21.5",
                                                  "E1 P2", "Piano 2", "2026-03-04T05:06:07+01:00"},
                                                 {"0", "Hall", "OFF", "Bassa", "22", "20.0", "", "Piano 2",
                                                  "2026-03-04T05:06:07+01:00"}}));
    }

    void fileName()
    {
        const QDateTime reload(QDate(2026, 3, 4), QTime(5, 6, 7));
        QCOMPARE(csv::fileName(QStringLiteral("faults"), QStringLiteral("Piano 2/Est"), reload),
                 QStringLiteral("brezzano-faults-Piano_2_Est-20260304-050607.csv"));
    }
};

QTEST_APPLESS_MAIN(TestCsv)
#include "tst_csv.moc"
