#include "support/Fixtures.h"

#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "units/form/UnitPanelModel.h"

#include <QPlainTextEdit>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QTreeView>

TForm1 *createDialogForms(const QString &host)
{
    createForms();
    TForm1 *form = forms().Form1;
    prepareTestForm(*form);
    form->ipSensor = host;
    return form;
}

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start(const QString &address, const QStringList &extraArgs, bool expectListening)
{
    process.setProgram(QStringLiteral(BREZZANO_SIM));
    process.setArguments(QStringList{QStringLiteral("--listen"), address + QStringLiteral(":2000")} +
                         extraArgs);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted(5000))
        return false;
    if (!expectListening)
        return true;
    return QTest::qWaitFor(
        [&address] {
            QTcpSocket probe;
            probe.connectToHost(address, 2000);
            const bool listening = probe.waitForConnected(200);
            probe.abort();
            return listening;
        },
        5000);
}

void SimProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

QString SimProcess::output()
{
    printed += process.readAll();
    return QString::fromUtf8(printed);
}

void prepareTestForm(TForm1 &form)
{
    form.resetControllerState();
    form.setupUnitListColumns();
    form.setupDevListColumns();
    form.autoupdvalue = 0;
    form.debugLog = true; // tests read the communication log
}

std::unique_ptr<TForm1> makeTestForm()
{
    auto form = std::make_unique<TForm1>();
    prepareTestForm(*form);
    return form;
}

QStringList logLines(const TForm1 &form)
{
    return form.Memo2->toPlainText().split(QLatin1Char('\n'));
}

bool logHas(const TForm1 &form, const QString &line)
{
    return logLines(form).contains(line);
}

bool inOrder(const QString &text, const QStringList &needles)
{
    qsizetype at = 0;
    for (const QString &needle : needles) {
        at = text.indexOf(needle, at);
        if (at < 0)
            return false;
        at += needle.size();
    }
    return true;
}

int panelRows(const TForm1 &form)
{
    return form.Tab1PanelModel->rowCount();
}

QModelIndex panelCell(const TForm1 &form, int row, int column)
{
    return form.Tab1PanelModel->index(row, column);
}

int panelAddress(const TForm1 &form, int row)
{
    return panelCell(form, row).data(UnitPanelModel::AddressRole).toInt();
}

void tickPanelRow(TForm1 &form, int row, bool on)
{
    form.Tab1PanelModel->setData(panelCell(form, row), int(on ? Qt::Checked : Qt::Unchecked),
                                 Qt::CheckStateRole);
}

void selectPanelRow(TForm1 &form, int row)
{
    form.Tab1PanelList->selectionModel()->select(panelCell(form, row), QItemSelectionModel::ClearAndSelect |
                                                                           QItemSelectionModel::Rows);
}

bool linkIdle(const TForm1 &form)
{
    return !form.session->linkIsOpen() && form.session->TaskList.isEmpty() &&
           !form.session->Timer_openconn->isActive();
}

WindowsUnderTest::WindowsUnderTest()
{
    createForms();
    form = forms().Form1;
    prepareTestForm(*form);
}

WindowsUnderTest::~WindowsUnderTest()
{
    destroyForms();
}
