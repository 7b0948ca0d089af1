#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/SignalPipe.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

IniFile iniOf(const QString &text)
{
    IniFile ini;
    ini.loadText(text);
    return ini;
}

using Devices = std::vector<std::pair<QString, QString>>;

// A settings file as people and other programs leave it: known and foreign keys,
// repeats, comments, every line end, Latin-1 and UTF-8 bytes.
QByteArray generatedFile(QRandomGenerator &random)
{
    static const char *const sections[] = {"[SENS]", "[LISTSENS]", "[Other]", "[sens]", " [ListSens] x"};
    static const char *const keys[] = {"NETTYPE", "IP",     "DEBUG", "LANGUAGE", "AUTOAUPD", "REGURL",
                                       "NAME",    "IPADDR", "MINE",  "name",     " Key "};
    static const char *const values[] = {
        "0", "1", "5", "-1", "127", "x1", "10.0.0.7", " Caf\xC3\xA9 ", "na\xEFve", "a=b", "", "Caf\xC3"};
    static const char *const others[] = {"; Caf\xE9 comment", "# note", "", "   ", "junk line", "[broken"};
    static const char *const ends[] = {"\n", "\r\n", "\r", "\r\r\n"};
    QByteArray file = random.bounded(8) == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    const int count = random.bounded(30);
    for (int i = 0; i < count; ++i) {
        const int kind = random.bounded(10);
        if (kind == 0)
            file += sections[random.bounded(5)];
        else if (kind == 1)
            file += others[random.bounded(6)];
        else {
            const QByteArray key = keys[random.bounded(11)];
            file += key;
            if (key.trimmed().toUpper() == "NAME" || key == "IPADDR")
                file += QByteArray::number(random.bounded(6));
            file += '=';
            file += values[random.bounded(12)];
        }
        if (i + 1 < count || random.bounded(2))
            file += ends[random.bounded(4)];
    }
    return file;
}

// The lines the program does not own, outside LISTSENS (rewritten by design),
// split by rules of their own so the oracle does not borrow the reader's.
QList<QByteArray> foreignLines(QByteArray file)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    static const QSet<QString> owned = {"NETTYPE", "IP", "AUTOAUPD", "LANGUAGE"};
    if (file.startsWith("\xEF\xBB\xBF"))
        file.remove(0, 3);
    QList<QByteArray> result;
    QString section;
    for (const QString &line : QString::fromLatin1(file).split(lineEnd)) {
        const QString trimmed = line.trimmed();
        const bool header = trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']'));
        if (header)
            section = trimmed.mid(1, trimmed.indexOf(QLatin1Char(']')) - 1).trimmed().toUpper();
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed().toUpper();
        const bool ownKey =
            section == QLatin1String("SENS") && line.contains(QLatin1Char('=')) && owned.contains(key);
        const bool ours =
            section == QLatin1String("LISTSENS") || (header && section == QLatin1String("SENS"));
        if (!ownKey && !ours && !line.isEmpty())
            result.append(line.toLatin1());
    }
    return result;
}

} // namespace

Q_DECLARE_METATYPE(Devices)

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void noFileGivesDefaultsAndTheFourSensLines()
    {
        IniFile ini;
        const AppSettings settings = readSettings(ini);
        QCOMPARE(settings.netType, 0);
        QCOMPARE(settings.ipSensor, QStringLiteral("169.254.1.1"));
        QCOMPARE(settings.debug, 0);
        QCOMPARE(settings.language, 0);
        QCOMPARE(settings.autoUpdate, 30);
        QVERIFY(settings.devices.empty());

        writeSettings(ini, settings);
        QCOMPARE(ini.text(), QStringLiteral("[SENS]\nNETTYPE=0\nIP=169.254.1.1\nAUTOAUPD=30\nLANGUAGE=0\n"));
    }

    void sensValues_data()
    {
        QTest::addColumn<QString>("sens");
        QTest::addColumn<int>("netType");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("autoUpdate");
        QTest::addColumn<QString>("written"); // the SENS lines after writing back
        QTest::newRow("device network ignores IP")
            << "NETTYPE=0\nIP=192.168.1.20\n"
            << 0 << "169.254.1.1" << 0 << 30 << "NETTYPE=0\nIP=169.254.1.1\nAUTOAUPD=30\nLANGUAGE=0\n";
        QTest::newRow("NETTYPE 5 is the local network")
            << "NETTYPE=5\nIP=192.168.1.20\nAUTOAUPD=120\nLANGUAGE=1\n"
            << 5 << "192.168.1.20" << 1 << 120 << "NETTYPE=1\nIP=192.168.1.20\nAUTOAUPD=120\nLANGUAGE=1\n";
        QTest::newRow("LANGUAGE 2") << "LANGUAGE=2\n"
                                    << 0 << "169.254.1.1" << 0 << 30
                                    << "LANGUAGE=0\nNETTYPE=0\nIP=169.254.1.1\nAUTOAUPD=30\n";
        QTest::newRow("LANGUAGE -1") << "LANGUAGE=-1\n"
                                     << 0 << "169.254.1.1" << 0 << 30
                                     << "LANGUAGE=0\nNETTYPE=0\nIP=169.254.1.1\nAUTOAUPD=30\n";
        QTest::newRow("non-integers read as defaults")
            << "NETTYPE=local\nIP=10.0.0.1\nAUTOAUPD=often\nLANGUAGE=it\n"
            << 0 << "169.254.1.1" << 0 << 30 << "NETTYPE=0\nIP=169.254.1.1\nAUTOAUPD=30\nLANGUAGE=0\n";
        QTest::newRow("foreign keys and DEBUG stay")
            << "DEBUG=127\nNETTYPE=1\nIP=10.0.0.1\nMINE=x\n"
            << 1 << "10.0.0.1" << 0 << 30
            << "DEBUG=127\nNETTYPE=1\nIP=10.0.0.1\nMINE=x\nAUTOAUPD=30\nLANGUAGE=0\n";
    }
    void sensValues()
    {
        QFETCH(QString, sens);
        QFETCH(int, netType);
        QFETCH(QString, ip);
        QFETCH(int, language);
        QFETCH(int, autoUpdate);
        QFETCH(QString, written);
        IniFile ini = iniOf(QStringLiteral("[SENS]\n") + sens);
        const AppSettings settings = readSettings(ini);
        QCOMPARE(settings.netType, netType);
        QCOMPARE(settings.ipSensor, ip);
        QCOMPARE(settings.language, language);
        QCOMPARE(settings.autoUpdate, autoUpdate);
        writeSettings(ini, settings);
        QCOMPARE(ini.text(), QStringLiteral("[SENS]\n") + written);
    }

    void debugIsReadNeverWritten()
    {
        IniFile ini = iniOf(QStringLiteral("[SENS]\nDEBUG=127\n"));
        AppSettings settings = readSettings(ini);
        QCOMPARE(settings.debug, 127);
        IniFile fresh;
        writeSettings(fresh, settings);
        QVERIFY(!fresh.hasKey(QStringLiteral("SENS"), QStringLiteral("DEBUG")));
    }

    void addressBook_data()
    {
        QTest::addColumn<QString>("listsens");
        QTest::addColumn<Devices>("devices");
        QTest::newRow("in NAME key order") << "NAME1=B\nIPADDR1=10.0.0.2\nNAME0=A\nIPADDR0=10.0.0.1\n"
                                           << Devices{{"B", "10.0.0.2"}, {"A", "10.0.0.1"}};
        QTest::newRow("missing address") << "NAME0=A\n" << Devices{{"A", "169.254.1.1"}};
        QTest::newRow("number not below the key count") << "NAME3=C\nIPADDR3=10.0.0.3\n" << Devices{};
        QTest::newRow("leading zero, other case") << "NAME01=X\nname1=Y\nIPADDR1=10.0.0.1\n" << Devices{};
        QTest::newRow("foreign keys count towards k") << "X=1\nY=2\nNAME2=C\n"
                                                      << Devices{{"C", "169.254.1.1"}};
        QTest::newRow("repeated NAME: the first counts")
            << "NAME0=First\nNAME0=Second\nNAME1=Third\n"
            << Devices{{"First", "169.254.1.1"}, {"Third", "169.254.1.1"}};
        QTest::newRow("repeated IPADDR: the first counts") << "NAME0=A\nIPADDR0=10.0.0.1\nIPADDR0=10.0.0.9\n"
                                                           << Devices{{"A", "10.0.0.1"}};
    }
    void addressBook()
    {
        QFETCH(QString, listsens);
        QFETCH(Devices, devices);
        const AppSettings settings = readSettings(iniOf(QStringLiteral("[LISTSENS]\n") + listsens));
        QCOMPARE(settings.devices, devices);
    }

    void unloadedBookIsEmptiedOnWrite()
    {
        IniFile ini = iniOf(QStringLiteral("[LISTSENS]\nNAME3=C\nIPADDR3=10.0.0.3\n[MINE]\nK=v\n"));
        writeSettings(ini, readSettings(ini));
        QVERIFY(ini.keys(QStringLiteral("LISTSENS")).isEmpty());
        QCOMPARE(ini.readString(QStringLiteral("MINE"), QStringLiteral("K"), QString()), QStringLiteral("v"));
    }

    void twelveDevicesRoundTrip()
    {
        AppSettings settings;
        settings.netType = 1;
        settings.ipSensor = QStringLiteral("192.168.1.30");
        for (int i = 0; i < 12; ++i)
            settings.devices.emplace_back(QStringLiteral("Dev %1").arg(i),
                                          QStringLiteral("192.168.1.%1").arg(20 + i));
        IniFile ini = iniOf(QStringLiteral("[LISTSENS]\nOLD=1\n"));
        writeSettings(ini, settings);
        const QStringList keys = ini.keys(QStringLiteral("LISTSENS"));
        QCOMPARE(keys.size(), 24);
        QCOMPARE(keys.at(20), QStringLiteral("NAME10"));
        QCOMPARE(keys.at(23), QStringLiteral("IPADDR11"));

        IniFile reread = iniOf(ini.text());
        QCOMPARE(readSettings(reread).devices, settings.devices);
        QCOMPARE(readSettings(reread).ipSensor, settings.ipSensor);
    }

    void loadSaveLoadKeepsSettingsAndForeignLines()
    {
        QRandomGenerator random(20261209);
        for (int round = 0; round < 2000; ++round) {
            const QByteArray file = generatedFile(random);
            const QByteArray context = "file: " + file.toPercentEncoding();
            IniFile first;
            first.loadBytes(file);
            const AppSettings read = readSettings(first);
            writeSettings(first, read);
            const QByteArray saved = first.bytes();

            IniFile second;
            second.loadBytes(saved);
            const AppSettings reread = readSettings(second);
            QVERIFY2((reread.netType == 0) == (read.netType == 0), context.constData());
            QVERIFY2(reread.ipSensor == read.ipSensor, context.constData());
            QVERIFY2(reread.debug == read.debug, context.constData());
            QVERIFY2(reread.language == read.language, context.constData());
            QVERIFY2(reread.autoUpdate == read.autoUpdate, context.constData());
            QVERIFY2(reread.registrationUrl == read.registrationUrl, context.constData());
            QVERIFY2(reread.devices == read.devices, context.constData());
            QVERIFY2(foreignLines(saved) == foreignLines(file), context.constData());

            writeSettings(second, reread);
            QVERIFY2(second.bytes() == saved, context.constData()); // a second close changes nothing
        }
    }

    void oneInstancePerFolder_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("locked");
        QTest::newRow("a folder nobody uses") << "nothing" << true;
        QTest::newRow("a running instance holds it") << "running" << false;
        QTest::newRow("left behind by an instance that ended") << "ended" << true;
    }
    void oneInstancePerFolder()
    {
        QFETCH(QString, before);
        QFETCH(bool, locked);
        QTemporaryDir dir;
        std::unique_ptr<QLockFile> first;
        if (before == QLatin1String("running"))
            QVERIFY(first = lockSettingsFolder(dir.path()));
        if (before == QLatin1String("ended")) {
            QProcess ended;
            ended.start(QStringLiteral("true"), {});
            QVERIFY(ended.waitForStarted());
            const qint64 pid = ended.processId();
            QVERIFY(ended.waitForFinished());
            QFile lock(QDir(dir.path()).filePath(QStringLiteral("brezzano.lock")));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(pid) + "\nbrezzano\n" + QSysInfo::machineHostName().toUtf8() +
                       "\n");
        }
        const std::unique_ptr<QLockFile> second = lockSettingsFolder(dir.path());
        QCOMPARE(second != nullptr, locked);
    }

    void logoutAndShutdownReachTheEventLoop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void logoutAndShutdownReachTheEventLoop()
    {
        QFETCH(int, signal);
        const std::unique_ptr<SignalPipe> pipe(saveAndQuitSignals(nullptr));
        QVERIFY(pipe->isInstalled());
        QSignalSpy spy(pipe.get(), &SignalPipe::signalled);
        std::raise(signal);
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.first().first().toInt(), signal);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
