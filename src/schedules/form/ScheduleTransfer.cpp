// The schedule of the unit whose settings dialog is open, as the main window holds it.
#include "shell/form/Main.h"

#include <QString>

void TForm1::getLengthProgramm(int adr)
{
    setLinkHost(ipSensor);
    TaskList.Add_addr(41, adr);
    openConnection(true, 5);
}

void TForm1::addUnitProgEntry(int tm, int tp, int md, int fn)
{
    bool matched = false;
    for (const auto &entry : unitProgList) {
        if (entry->Time == tm) {
            entry->Temp = tp;
            matched = true;
        }
    }
    if (!matched) {
        log(QStringLiteral("%1,%2,%3,%4").arg(tm).arg(tp).arg(md).arg(fn));
        unitProgList.Add(tm, tp, md, fn);
    }
}

void TForm1::updateUnitProgListTemp()
{
    unitProgList.sortByTime();
    // The settings dialog's schedule list shows it once that dialog is built.
}
