// The schedule of the unit whose settings dialog is open, as the main window holds it.
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "units/form/setting.h"

#include <QListWidget>

#include <QString>

void TForm1::getLengthProgramm(int adr)
{
    setLinkHost(ipSensor);
    TaskList.Add_addr(Code::ScheduleLength, adr);
    openConnection(true, protocol::Reopens);
}

void TForm1::addUnitProgEntry(int tm, int tp, int md, int fn)
{
    if (unitProgList.addReceived({tm, tp, md, fn}))
        log(QStringLiteral("%1,%2,%3,%4").arg(tm).arg(tp).arg(md).arg(fn));
}

void TForm1::updateUnitProgListTemp()
{
    unitProgList.sortByTime();
    TForm2 *dialog = forms().Form2;
    if (!dialog)
        return;
    dialog->ProgListBox1->clear();
    for (const auto &entry : unitProgList)
        dialog->ProgListBox1->addItem(schedule::entryLine(*entry, texts));
}
