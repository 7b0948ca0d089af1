// Errors that no handler caught reach appException through the application object.
#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Application.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <stdexcept>

class TestAppException : public QObject
{
    Q_OBJECT

    ScriptedPrompts *prompts = nullptr;

    static void throwSoon()
    {
        QTimer::singleShot(0, qApp, [] { throw std::runtime_error("boom"); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        useFastIntervals();
        loadLanguage(0);
    }

    void init()
    {
        prompts = new ScriptedPrompts;
        createForms();
        forms().Form1->debugLog = true;
    }

    void cleanup()
    {
        destroyForms();
        delete prompts;
    }

    void withoutALinkOnlyTheMessageIsShown()
    {
        TForm1 *form = forms().Form1;
        const int logSize = logLines(*form).size();
        throwSoon();
        QTRY_COMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().kind, QStringLiteral("error"));
        QCOMPARE(prompts->shown.first().caption, QStringLiteral("Information"));
        QCOMPARE(prompts->shown.first().text, QStringLiteral("Centralized control does not respond\n\rboom"));
        QCOMPARE(logLines(*form).size(), logSize);
    }

    void anOpenLinkIsClosed()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.61")), 2000));
        TForm1 *form = forms().Form1;
        form->session->setLinkHost(QStringLiteral("127.0.0.61"));
        form->session->TaskList.Add(50);
        form->session->openConnection(true, 5);
        QTRY_VERIFY(form->session->linkIsOpen());
        form->session->connectOK = true;
        form->Tab4Label1->setText(QStringLiteral("Device connected"));
        throwSoon();
        QTRY_COMPARE(prompts->shown.size(), 1);
        QVERIFY(!form->session->linkIsOpen());
        QVERIFY(!form->session->connectOK);
        QVERIFY(form->Tab4Label1->text().isEmpty());
        QVERIFY(form->session->TaskList.isEmpty());
    }

    // A dialog that cannot run stands for any fault inside a handler. The click
    // is a direct call: what the handler let out would end this test instead.
    void aHandlerThatThrowsReportsWhereItRuns_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("device search") << QStringLiteral("FindDevBtnTab4");
        QTest::newRow("password switch") << QStringLiteral("tab3sb1");
    }
    void aHandlerThatThrowsReportsWhereItRuns()
    {
        QFETCH(QString, button);
        prompts->answer = [](QDialog *) -> int { throw std::runtime_error("no dialog"); };
        auto *control = forms().Form1->findChild<QAbstractButton *>(button);
        QVERIFY(control);
        control->click();
        QCOMPARE(prompts->dialogsRun, 1);
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown.first().text,
                 QStringLiteral("Centralized control does not respond\n\rno dialog"));
    }
};

int main(int argc, char **argv)
{
    BrezzanoApplication app(argc, argv);
    TestAppException test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appexception.moc"
