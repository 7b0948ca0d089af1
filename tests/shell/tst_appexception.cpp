// Errors that no handler caught reach appException through the application object.
#include "shell/Texts.h"
#include "shell/form/Application.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "support/Fixtures.h"
#include "support/ScriptedPrompts.h"

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
        form->setLinkHost(QStringLiteral("127.0.0.61"));
        form->TaskList.Add(50);
        form->openConnection(true, 5);
        QTRY_VERIFY(form->linkIsOpen());
        form->connectOK = true;
        form->Tab4Label1->setText(QStringLiteral("Device connected"));
        throwSoon();
        QTRY_COMPARE(prompts->shown.size(), 1);
        QVERIFY(!form->linkIsOpen());
        QVERIFY(!form->connectOK);
        QVERIFY(form->Tab4Label1->text().isEmpty());
        QVERIFY(form->TaskList.isEmpty());
    }
};

int main(int argc, char **argv)
{
    BrezzanoApplication app(argc, argv);
    TestAppException test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appexception.moc"
