#include "history/Csv.h"

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
    }
    void quoting()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(csv::field(text), field);
    }

    // An independent reader must give back every field exactly.
    void roundTrip()
    {
        const QStringList header = {QStringLiteral("Unit"), QStringLiteral("Text")};
        const QList<QStringList> rows = {
            {QStringLiteral("Città, 2° piano"), QStringLiteral("say \"hi\"")},
            {QStringLiteral("line\r\nbreak"), QString()},
            {QStringLiteral("\"\""), QStringLiteral("Ünïcödé €")},
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
        QCOMPARE(read, QList<QStringList>{header} + rows);
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
