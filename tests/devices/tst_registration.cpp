// Web registration: the request, the reply codes, and the dialog against the
// simulator's registration service on loopback.
#include "Extras.h"
#include "devices/Registration.h"
#include "devices/form/RegisterSensorUnit.h"
#include "link/Intervals.h"
#include "shell/Texts.h"
#include "support/ScriptedPrompts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

class TestRegistration : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TRegSensor> dialog;
    std::unique_ptr<sim::RegistrationService> service;
    QStringList served; // request lines the service received

    void fill(const QString &user, const QString &password)
    {
        dialog->Edit1->setText(user);
        dialog->Edit2->setText(password);
    }

private Q_SLOTS:
    void initTestCase() { loadLanguage(0); }

    void init()
    {
        prompts = std::make_unique<ScriptedPrompts>();
        dialog = std::make_unique<TRegSensor>();
        service = std::make_unique<sim::RegistrationService>();
        service->accounts = {{QStringLiteral("mario"), QStringLiteral("p&ss#1+ x"), "0"},
                             {QStringLiteral("nuovo"), QStringLiteral("n1"), "3"},
                             {QStringLiteral("strano"), QStringLiteral("s1"), "0\r\n"}};
        served.clear();
        connect(service.get(), &sim::RegistrationService::logLine, this, [this](const QString &line) {
            if (line.startsWith(QLatin1String("http <- ")))
                served.append(line);
        });
        QVERIFY(service->listen(QHostAddress(QStringLiteral("127.0.0.115")), 0));
        dialog->serviceBase = QStringLiteral("http://127.0.0.115:%1/").arg(service->serverPort());
        dialog->MacAddress = QStringLiteral("00:1E:C0:12:34:56");
        dialog->MacAddressFrom = QStringLiteral("127.0.0.1");
        dialog->deviceAddress = QStringLiteral("127.0.0.1");
        intervals().registration = 10000;
    }

    void cleanup()
    {
        dialog.reset();
        service.reset();
        prompts.reset();
    }

    void theQueryCarriesTheFieldsInOrderEncoded_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QByteArray>("query");
        QTest::newRow("plain") << "u1"
                               << "p1"
                               << "m" << QByteArray("cc=VelmoranDqs&us=u1&pw=p1&mc=m");
        QTest::newRow("empty") << ""
                               << ""
                               << "" << QByteArray("cc=VelmoranDqs&us=&pw=&mc=");
        QTest::newRow("delimiters") << "a b"
                                    << "&#+=%?"
                                    << "00:1E"
                                    << QByteArray("cc=VelmoranDqs&us=a%20b&pw=%26%23%2B%3D%25%3F&mc=00%3A1E");
        QTest::newRow("accented") << QStringLiteral("Niccolò") << "p"
                                  << "" << QByteArray("cc=VelmoranDqs&us=Niccol%C3%B2&pw=p&mc=");
    }

    void theQueryCarriesTheFieldsInOrderEncoded()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, mac);
        QFETCH(QByteArray, query);
        QCOMPARE(registration::query(user, password, mac), query);
        const QUrl url = registration::url(QStringLiteral("http://127.0.0.1:8080"), user, password, mac);
        QCOMPARE(url.toEncoded(), "http://127.0.0.1:8080/xrv/xrv_regdevice.php?" + query);
    }

    void onlyAPlainWebAddressIsAService_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("url"); // empty: not usable
        QTest::newRow("not set") << ""
                                 << "";
        QTest::newRow("no scheme") << "127.0.0.1:8080"
                                   << "";
        QTest::newRow("ftp") << "ftp://127.0.0.1"
                             << "";
        QTest::newRow("with a query") << "http://127.0.0.1/?a=b"
                                      << "";
        QTest::newRow("with a user") << "http://me:pw@127.0.0.1"
                                     << "";
        QTest::newRow("trailing slash")
            << " http://127.0.0.1:8080/ "
            << "http://127.0.0.1:8080/xrv/xrv_regdevice.php?cc=VelmoranDqs&us=&pw=&mc=";
        QTest::newRow("under a path")
            << "https://reg.example.invalid/api"
            << "https://reg.example.invalid/api/xrv/xrv_regdevice.php?cc=VelmoranDqs&us=&pw=&mc=";
    }

    void onlyAPlainWebAddressIsAService()
    {
        QFETCH(QString, base);
        QFETCH(QString, url);
        const QUrl built = registration::url(base, QString(), QString(), QString());
        QCOMPARE(built.isValid() ? QString::fromLatin1(built.toEncoded()) : QString(), url);
    }

    void theMacAddressGoesOnlyWithItsOwnDevice()
    {
        QCOMPARE(
            registration::macFor(QStringLiteral("m"), QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1")),
            QStringLiteral("m"));
        QCOMPARE(registration::macFor(QStringLiteral("m"), QStringLiteral("10.0.0.1"),
                                      QStringLiteral("10.0.0.10")),
                 QString());
    }

    // Each reply against the service: the message, and whether the dialog closes.
    void theServiceRepliesDecide_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closes");
        QTest::newRow("0, password with & # + and a blank") << "mario"
                                                            << "p&ss#1+ x"
                                                            << "Registration successful" << true;
        QTest::newRow("4, wrong password") << "mario"
                                           << "p"
                                           << "Username or password invalid" << false;
        QTest::newRow("3") << "nuovo"
                           << "n1"
                           << "Sensor never connected to the web" << true;
        QTest::newRow("0 and a line end") << "strano"
                                          << "s1"
                                          << "Not valid responce" << false;
    }

    void theServiceRepliesDecide()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(bool, closes);
        fill(user, password);
        dialog->bt1Click();
        QVERIFY(!dialog->bt1->isEnabled());
        dialog->bt1Click(); // a second click while it runs sends nothing
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 5000);
        QCOMPARE(served.size(), 1);
        QVERIFY2(served.first().contains(QLatin1String("&mc=00%3A1E%3AC0%3A12%3A34%3A56 ")),
                 qPrintable(served.first()));
        QCOMPARE(prompts->shown.first().text, message);
        QCOMPARE(prompts->shown.first().caption, QStringLiteral("Informazione"));
        QCOMPARE(prompts->shown.first().kind, QStringLiteral("info"));
        QCOMPARE(dialog->result() == QDialog::Accepted, closes);
        QVERIFY(dialog->bt1->isEnabled());
        QCOMPARE(dialog->Edit1->text(), user); // fields stay as typed
        QCOMPARE(dialog->Edit2->text(), password);
    }

    void thePasswordShowsStars()
    {
        dialog->Edit2->setText(QStringLiteral("p&1"));
        QCOMPARE(dialog->Edit2->displayText(), QStringLiteral("***"));
    }

    void aMacAddressOfAnotherDeviceIsNotSent()
    {
        dialog->deviceAddress = QStringLiteral("127.0.0.2");
        fill(QStringLiteral("mario"), QStringLiteral("p&ss#1+ x"));
        dialog->bt1Click();
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 5000);
        QVERIFY2(served.first().contains(QLatin1String("&mc= ")), qPrintable(served.first()));
    }

    void withoutAServiceNothingIsSent()
    {
        dialog->serviceBase.clear();
        fill(QStringLiteral("mario"), QStringLiteral("p&ss#1+ x"));
        dialog->bt1Click();
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().text, extraText(ExtraText::RegistrationNotConfigured));
        QVERIFY(dialog->bt1->isEnabled());
        QVERIFY(!dialog->requestRunning());
    }

    void failuresShowTheirTypeAndMessage_data()
    {
        QTest::addColumn<QString>("path"); // under the service
        QTest::addColumn<QString>("start");
        QTest::newRow("error status") << "/elsewhere"
                                      << "ContentNotFoundError ";
        QTest::newRow("refused") << ""
                                 << "ConnectionRefusedError ";
    }

    void failuresShowTheirTypeAndMessage()
    {
        QFETCH(QString, path);
        QFETCH(QString, start);
        if (path.isEmpty())
            service.reset(); // nothing listens any more
        else
            dialog->serviceBase += path;
        fill(QStringLiteral("mario"), QStringLiteral("p"));
        dialog->bt1Click();
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 5000);
        QVERIFY2(prompts->shown.first().text.startsWith(start), qPrintable(prompts->shown.first().text));
        QVERIFY(dialog->result() != QDialog::Accepted);
        QVERIFY(dialog->bt1->isEnabled());
    }

    // A hostile service: the shown text never carries the query, the time
    // limit covers the whole exchange, and a body without end is cut short.
    void aHostileServiceIsCutShort_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("chunk"); // the body, sent chunk by chunk
        QTest::addColumn<int>("chunks");
        QTest::addColumn<int>("gapMs");     // between chunks; 0: as fast as the link takes them
        QTest::addColumn<QString>("shown"); // %1: the service's host and port
        QTest::addColumn<bool>("wholeBody");
        QTest::newRow("error status")
            << QByteArray("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\n\r\n")
            << QByteArray("oops") << 1 << 0 << "InternalServerError %1 HTTP 500" << true;
        QTest::newRow("trickling body")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 30\r\n\r\n") << QByteArray("0") << 30 << 100
            << "TimeoutError The registration service at %1 did not answer in time" << false;
        QTest::newRow("body without end")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 67108864\r\n\r\n") << QByteArray(64 * 1024, '0')
            << 1024 << 0 << "Not valid responce" << false;
    }

    void aHostileServiceIsCutShort()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, chunk);
        QFETCH(int, chunks);
        QFETCH(int, gapMs);
        QFETCH(QString, shown);
        QFETCH(bool, wholeBody);
        static QStringList logged;
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { logged << text; });

        QTcpServer hostile;
        QVERIFY(hostile.listen(QHostAddress(QStringLiteral("127.0.0.117")), 0));
        const QString host = QStringLiteral("127.0.0.117:%1").arg(hostile.serverPort());
        dialog->serviceBase = QStringLiteral("http://") + host;
        intervals().registration = 1000;
        int sent = 0;
        QTimer gap;
        gap.setInterval(gapMs);
        QTcpSocket *peer = nullptr;
        const auto sendMore = [&] {
            // Keep a little in flight: what is sent shows what the dialog took.
            while (peer && peer->state() == QAbstractSocket::ConnectedState && sent < chunks &&
                   peer->bytesToWrite() < 256 * 1024) {
                peer->write(chunk);
                ++sent;
                if (gapMs > 0)
                    break;
            }
        };
        connect(&hostile, &QTcpServer::newConnection, this, [&] {
            peer = hostile.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [&] {
                if (!peer->readAll().contains("\r\n\r\n") || sent > 0)
                    return;
                peer->write(head);
                sendMore();
                if (gapMs > 0)
                    gap.start();
            });
            connect(peer, &QTcpSocket::bytesWritten, peer, [&] {
                if (gapMs == 0)
                    sendMore();
            });
        });
        connect(&gap, &QTimer::timeout, this, sendMore);

        fill(QStringLiteral("mario"), QStringLiteral("s3gr3t0"));
        dialog->bt1Click();
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 10000);
        qInstallMessageHandler(previous);
        QCOMPARE(prompts->shown.first().text, shown.arg(host));
        QCOMPARE(sent == chunks, wholeBody);
        for (const QString &line : logged)
            QVERIFY2(!line.contains(QLatin1String("s3gr3t0")), qPrintable(line));
        QVERIFY(dialog->bt1->isEnabled());
    }

    // A service that accepts and never answers: a time-out message, or nothing at all after Cancel.
    void aSilentServiceTimesOutUnlessCancelled()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress(QStringLiteral("127.0.0.116")), 0));
        dialog->serviceBase = QStringLiteral("http://127.0.0.116:%1").arg(silent.serverPort());
        intervals().registration = 300;
        fill(QStringLiteral("mario"), QStringLiteral("p"));

        dialog->bt1Click();
        QTRY_COMPARE_WITH_TIMEOUT(prompts->shown.size(), 1, 5000);
        QVERIFY(prompts->shown.first().text.startsWith(QLatin1String("TimeoutError ")));
        QVERIFY(dialog->bt1->isEnabled());

        dialog->bt1Click();
        QTRY_VERIFY(silent.hasPendingConnections());
        QTcpSocket *request = silent.nextPendingConnection();
        dialog->bt2->click(); // Cancel
        QVERIFY(dialog->bt1->isEnabled());
        // The request was dropped, not left to time out behind a closed dialog.
        QTRY_COMPARE(request->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(prompts->shown.size(), 1);
    }
};

QTEST_MAIN(TestRegistration)
#include "tst_registration.moc"
