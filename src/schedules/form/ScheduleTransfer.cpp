// The schedule of the unit whose settings dialog is open, as the main window holds it.
#include "link/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "units/form/setting.h"

#include <QListWidget>

#include <QString>

void TForm1::getLengthProgramm(int adr)
{
    session->setLinkHost(ipSensor);
    session->TaskList.Add_addr(41, adr);
    session->openConnection(true, 5);
}

void TForm1::updateUnitProgListTemp()
{
    model.unitProgList.sortByTime();
    TForm2 *dialog = forms().Form2;
    if (!dialog)
        return;
    dialog->ProgListBox1->clear();
    for (const auto &entry : model.unitProgList)
        dialog->ProgListBox1->addItem(schedule::entryLine(*entry, texts));
}
