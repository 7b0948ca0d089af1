#include "shell/IniFile.h"
#include "shell/SignalPipe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

class TestIniFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keysComeInFileOrder()
    {
        IniFile ini;
        ini.loadText(QStringLiteral("[LIST]\nNAME9=a\nNAME10=b\nNAME2=c\n"));
        QCOMPARE(ini.keys(QStringLiteral("list")),
                 QStringList({QStringLiteral("NAME9"), QStringLiteral("NAME10"), QStringLiteral("NAME2")}));
        QCOMPARE(ini.readString(QStringLiteral("List"), QStringLiteral("name10"), QString()),
                 QStringLiteral("b"));
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "30" << 30;
        QTest::newRow("above 9") << "120" << 120;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("plus sign") << "+5" << 5;
        QTest::newRow("blanks around") << "  42  " << 42;
        QTest::newRow("empty") << "" << 77;
        QTest::newRow("word") << "abc" << 77;
        QTest::newRow("trailing text") << "12x" << 77;
        QTest::newRow("hex") << "0x10" << 77;
        QTest::newRow("decimal point") << "1.5" << 77;
        QTest::newRow("too large") << "99999999999" << 77;
    }
    void readInteger()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        IniFile ini;
        ini.loadText(QStringLiteral("[S]\nK=") + value + QLatin1Char('\n'));
        QCOMPARE(ini.readInteger(QStringLiteral("S"), QStringLiteral("K"), 77), expected);
    }

    void crlfFilesRead()
    {
        IniFile ini;
        ini.loadText(QStringLiteral("[S]\r\nA=1\r\nB=two\r\n"));
        QCOMPARE(ini.readInteger(QStringLiteral("S"), QStringLiteral("A"), 0), 1);
        QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("B"), QString()), QStringLiteral("two"));
        QCOMPARE(ini.text(), QStringLiteral("[S]\r\nA=1\r\nB=two\r\n"));
    }

    // Every line keeps its own end; a written value keeps its line's end, an
    // added line takes the file's first one.
    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("written"); // after writing B=3
        QTest::newRow("LF") << QByteArray("[S]\nA=1\nB=2\n") << QByteArray("[S]\nA=1\nB=3\n");
        QTest::newRow("CR only") << QByteArray("[S]\rA=1\rB=2\r") << QByteArray("[S]\rA=1\rB=3\r");
        QTest::newRow("CR only, added") << QByteArray("[S]\rA=1") << QByteArray("[S]\rA=1\rB=3\r");
        QTest::newRow("run of CRs") << QByteArray("[S]\r\nA=1\r\r\nB=2\r\r\r\n")
                                    << QByteArray("[S]\r\nA=1\r\r\nB=3\r\r\r\n");
        QTest::newRow("CRLF, added") << QByteArray("[S]\r\nA=1\r\n") << QByteArray("[S]\r\nA=1\r\nB=3\r\n");
        QTest::newRow("no final end") << QByteArray("[S]\nA=1") << QByteArray("[S]\nA=1\nB=3\n");
        QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[S]\nA=1\n")
                                  << QByteArray("\xEF\xBB\xBF[S]\nA=1\nB=3\n");
    }
    void lineEnds()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, written);
        IniFile ini;
        ini.loadBytes(file);
        QCOMPARE(ini.readInteger(QStringLiteral("S"), QStringLiteral("A"), 0), 1);
        ini.writeString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("3"));
        QCOMPARE(ini.bytes(), written);
        IniFile again;
        again.loadBytes(ini.bytes());
        QCOMPARE(again.bytes(), written);
    }

    // A Windows editor's Latin-1 line does not turn the UTF-8 lines into Latin-1.
    void eachLineDecodedOnItsOwn()
    {
        const QByteArray foreign("; Caf\xE9 (Latin-1)\n[S]\nNAME=Caf\xC3\xA9\nOLD=na\xEFve\nCUT=Caf\xC3\n");
        IniFile ini;
        ini.loadBytes(foreign);
        QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("NAME"), QString()),
                 QString::fromUtf8("Café"));
        QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("OLD"), QString()),
                 QString::fromUtf8("naïve"));
        QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("CUT"), QString()),
                 QString::fromUtf8("CafÃ"));
        ini.writeString(QStringLiteral("S"), QStringLiteral("NAME"), QString::fromUtf8("Café"));
        ini.writeString(QStringLiteral("S"), QStringLiteral("NEW"), QString::fromUtf8("ü"));
        QCOMPARE(ini.bytes(), foreign + QByteArray("NEW=\xC3\xBC\n"));
    }

    void writesKeepEverythingElse()
    {
        IniFile ini;
        ini.loadText(QStringLiteral("; kept\n[Sens]\nip=1.2.3.4\nMINE=x\n\n[OTHER]\nZ=9\n[LISTSENS]\nN=1\n"));
        ini.writeString(QStringLiteral("SENS"), QStringLiteral("IP"), QStringLiteral("5.6.7.8"));
        ini.writeString(QStringLiteral("SENS"), QStringLiteral("NEW"), QStringLiteral("n"));
        ini.eraseSectionKeys(QStringLiteral("listsens"));
        ini.writeString(QStringLiteral("LISTSENS"), QStringLiteral("NAME0"), QStringLiteral("a"));
        ini.writeString(QStringLiteral("FRESH"), QStringLiteral("K"), QStringLiteral("v"));
        QCOMPARE(ini.text(), QStringLiteral("; kept\n[Sens]\nip=5.6.7.8\nMINE=x\nNEW=n\n\n[OTHER]\nZ=9\n"
                                            "[LISTSENS]\nNAME0=a\n[FRESH]\nK=v\n"));
    }

    void lineBreaksInValuesStayInTheValue()
    {
        IniFile ini;
        ini.writeString(QStringLiteral("S"), QStringLiteral("A"),
                        QStringLiteral("x\r\n[EVIL]\nB=1") + QChar(0) + QStringLiteral("y"));
        IniFile reread;
        reread.loadText(ini.text());
        QCOMPARE(reread.keys(QStringLiteral("S")), QStringList(QStringLiteral("A")));
        QVERIFY(!reread.hasKey(QStringLiteral("S"), QStringLiteral("B")));
        QVERIFY(reread.keys(QStringLiteral("EVIL")).isEmpty());
        QCOMPARE(reread.readString(QStringLiteral("S"), QStringLiteral("A"), QString()),
                 QStringLiteral("x  [EVIL] B=1 y"));
    }

    void saveAndLoadRoundTrip()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("a.ini"));
        IniFile ini;
        QVERIFY(ini.load(path)); // missing: empty, not an error
        QVERIFY(ini.text().isEmpty());
        ini.writeString(QStringLiteral("S"), QStringLiteral("NAME"), QString::fromUtf8("Caffè"));
        QString error;
        QVERIFY2(ini.save(path, &error), qPrintable(error));
        IniFile reread;
        QVERIFY(reread.load(path));
        QCOMPARE(reread.readString(QStringLiteral("S"), QStringLiteral("NAME"), QString()),
                 QString::fromUtf8("Caffè"));
    }

    void latin1FileReads()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[S]\r\nNAME=Caff\xE8\r\n");
        file.close();
        IniFile ini;
        QVERIFY(ini.load(path));
        QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("NAME"), QString()),
                 QString::fromUtf8("Caffè"));
    }

    void saveFailureIsReported()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/sub/a.ini"));
        IniFile ini;
        ini.writeString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
        QString error;
        QVERIFY(!ini.save(path, &error));
        QVERIFY2(error.contains(path), qPrintable(error));
    }

    void saveIntoReadOnlyDirectoryIsReported()
    {
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const QString path = dir.filePath(QStringLiteral("a.ini"));
        QFile probe(dir.filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) // running as root ignores the permissions
            QSKIP("the directory stays writable for this user");
        IniFile ini;
        ini.writeString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
        QString error;
        const bool saved = ini.save(path, &error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!saved);
        QVERIFY2(error.contains(path), qPrintable(error));
    }

    // A file that would hang the start, grow memory without end, or that cannot
    // be written: the operation fails at once and says why in the system's words.
    void filesNotReadOrWrittenSayWhy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("cause");
        QTest::newRow("a FIFO in its place") << "fifo"
                                             << "not a regular file";
        QTest::newRow("a device that never ends") << "device"
                                                  << "not a regular file";
        QTest::newRow("larger than 16 MB") << "large"
                                           << "larger than 16 MB";
        QTest::newRow("its folder is missing") << "no folder"
                                               << "No such file or directory";
        QTest::newRow("over the file size limit") << "size limit"
                                                  << "File too large";
    }
    void filesNotReadOrWrittenSayWhy()
    {
        QFETCH(QString, kind);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("brezzano.ini"));
        IniFile ini;
        QString error;
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/zero");
        if (kind == QLatin1String("large")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(IniFile::MaxBytes + 1));
        }
        if (kind == QLatin1String("fifo") || kind == QLatin1String("device") ||
            kind == QLatin1String("large")) {
            QVERIFY(!ini.load(path, &error));
            QVERIFY(ini.text().isEmpty());
        } else {
            ini.writeString(QStringLiteral("S"), QStringLiteral("K"), QString(4000, QLatin1Char('v')));
            if (kind == QLatin1String("no folder"))
                path = dir.filePath(QStringLiteral("missing/brezzano.ini"));
            rlimit before{};
            ::getrlimit(RLIMIT_FSIZE, &before);
            if (kind == QLatin1String("size limit")) {
                // Without this the limit would end the test process, as it would the program.
                ignoreFileSizeSignal();
                rlimit small = before;
                small.rlim_cur = 1024;
                ::setrlimit(RLIMIT_FSIZE, &small);
            }
            const bool saved = ini.save(path, &error);
            ::setrlimit(RLIMIT_FSIZE, &before);
            QVERIFY(!saved);
            QVERIFY(!QFile::exists(path));
        }
        QVERIFY2(error.contains(path) && error.endsWith(cause), qPrintable(error));
    }
};

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
