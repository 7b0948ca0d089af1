#include "shell/Texts.h"

#include <QTest>

class TestTexts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A translation left out shows as an empty caption in one language only.
    void bothTablesHaveEveryEntry()
    {
        for (int i = 0; i < TextCount; ++i)
            QVERIFY2(languageTable(0).at(i).isEmpty() == languageTable(1).at(i).isEmpty(),
                     qPrintable(QString::number(i)));
    }

    void entriesAreExact_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("italian");
        // clang-format off
        QTest::newRow("0 language code") << 0 << "En" << "It";
        QTest::newRow("1 empty") << 1 << "" << "";
        QTest::newRow("4 accent") << 4 << "Monday" << QString::fromUtf8("Lunedì");
        QTest::newRow("13 trailing blank") << 13 << "Device founded : " << "Dispositivi trovati : ";
        QTest::newRow("84 double blank")
            << 84 << "Operating mode" << QString::fromUtf8("Modalit\xC3\xA0  di funzionamento");
        QTest::newRow("89 double blank") << 89 << "Fan speed" << QString::fromUtf8("Velocit\xC3\xA0  ventilatore");
        QTest::newRow("139") << 139 << "Network" << "Network";
        QTest::newRow("146") << 146 << "Error code : " << "Codice errore : ";
        QTest::newRow("147") << 147 << "Evaporator Pipe Temp. T2A " << "Temperatura tubo evaporatore T2A ";
        QTest::newRow("149") << 149 << "Condenser Pipe Temp. T3 "
                             << "Temperatura tubo condensatore Pipe Temp. T3 ";
        QTest::newRow("161") << 161 << "Open connection at " << "Connesso all'indirizzo ";
        QTest::newRow("164") << 164 << "Unable to communicate with the centralized control"
                             << "Impossibile comunicare con il controllo centralizzato";
        QTest::newRow("168") << 168 << "Name" << "Nome";
        QTest::newRow("169") << 169 << "IP address" << "Indirizzo IP";
        // clang-format on
    }
    void entriesAreExact()
    {
        QFETCH(int, index);
        QFETCH(QString, english);
        QFETCH(QString, italian);
        QCOMPARE(languageTable(0).at(index), english);
        QCOMPARE(languageTable(1).at(index), italian);
    }

    void onlyTheSharedWordsAreAlike()
    {
        // A shifted line would pair an English entry with the wrong Italian one.
        const QList<int> shared{15, 54, 70, 76, 77, 129, 133, 134, 139, 142};
        for (int i = 0; i < TextCount; ++i) {
            const QString en = languageTable(0).at(i);
            const QString it = languageTable(1).at(i);
            QVERIFY2(en.isEmpty() == it.isEmpty(), qPrintable(QString::number(i)));
            if (shared.contains(i))
                QVERIFY2(!en.isEmpty() && en == it, qPrintable(QString::number(i)));
            else if (!en.isEmpty())
                QVERIFY2(en != it, qPrintable(QString::number(i)));
        }
    }

    void loadLanguageCopiesTheTable_data()
    {
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("code");
        QTest::newRow("English") << 0 << "En";
        QTest::newRow("Italian") << 1 << "It";
        QTest::newRow("unknown gives English") << 7 << "En";
        QTest::newRow("negative gives English") << -1 << "En";
    }
    void loadLanguageCopiesTheTable()
    {
        QFETCH(int, lang);
        QFETCH(QString, code);
        loadLanguage(lang);
        QCOMPARE(texts.size(), TextCount);
        QCOMPARE(texts.at(0), code);
    }

    void escapeControls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain, Latin-1 and backslash kept")
            << QString::fromUtf8("Sala caff\xC3\xA8 \\n") << QString::fromUtf8("Sala caff\xC3\xA8 \\n");
        QTest::newRow("title, clear screen, forged line")
            << QStringLiteral("\x1B]0;pwned\x07\x1B[2J\nFAKE") << "\\x1b]0;pwned\\x07\\x1b[2J\\x0aFAKE";
        QTest::newRow("NUL, tab, CR") << QString(QChar(0)) + QStringLiteral("a\tb\r") << "\\x00a\\x09b\\x0d";
        QTest::newRow("DEL and C1, next to them kept") << QString::fromUtf8("~\x7F\xC2\x80\xC2\x9B\xC2\xA0")
                                                       << QString::fromUtf8("~\\x7f\\x80\\x9b\xC2\xA0");
        QTest::newRow("line separator and a right-to-left override") << QString::fromUtf8("a\xE2\x80\xA8"
                                                                                          "b\xE2\x80\xAE"
                                                                                          "c")
                                                                     << "a\\u2028b\\u202ec";
    }
    void escapeControls()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(::escapeControls(text), shown);
    }
};

QTEST_APPLESS_MAIN(TestTexts)
#include "tst_texts.moc"
