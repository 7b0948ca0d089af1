#include "shell/form/Forms.h"

#include "devices/form/RegisterSensorUnit.h"
#include "devices/form/SensorNameUnit.h"
#include "schedules/form/ProgUnit.h"
#include "shell/form/Main.h"
#include "shell/form/infoext.h"
#include "shell/form/myDialogUnit.h"
#include "shell/form/waitUnit.h"
#include "units/form/passwordUnit.h"
#include "units/form/setting.h"

Forms &forms()
{
    static Forms all;
    return all;
}

void createForms()
{
    Forms &f = forms();
    f.Form1 = new TForm1;
    f.waitform = new Twaitform(f.Form1);
    f.SensorName = new TSensorName(f.Form1);
    f.RegSensor = new TRegSensor(f.Form1);
    f.myDialogForm = new TmyDialogForm(f.Form1);
    f.Form2 = new TForm2(f.Form1);
    f.progForm3 = new TprogForm3(f.Form1);
    f.passwordForm = new TpasswordForm(f.Form1);
    f.infoextform = new Tinfoextform(f.Form1);
}

void destroyForms()
{
    // The dialogs are children of the main window.
    delete forms().Form1;
    forms() = Forms{};
}
