// The application's root: the one place that knows every window and dialog and
// wires them to each other and to the controller session.
#include "shell/form/Forms.h"

#include "devices/form/RegisterSensorUnit.h"
#include "devices/form/SensorNameUnit.h"
#include "link/ControllerSession.h"
#include "schedules/form/ProgUnit.h"
#include "shell/form/Application.h"
#include "shell/form/Main.h"
#include "shell/form/infoext.h"
#include "shell/form/myDialogUnit.h"
#include "shell/form/waitUnit.h"
#include "units/form/passwordUnit.h"
#include "units/form/setting.h"

#include <QCoreApplication>

Forms &forms()
{
    static Forms all;
    return all;
}

TForm1 *createForms()
{
    Forms &f = forms();
    f.Form1 = new TForm1;
    TForm1 *main = f.Form1;
    ControllerSession &session = *main->session;
    f.waitform = new Twaitform(main);
    f.SensorName = new TSensorName(main);
    f.RegSensor = new TRegSensor(main);
    f.myDialogForm = new TmyDialogForm(main);
    // The pipe temperatures' dialog first: the settings dialog shows it.
    f.infoextform = new Tinfoextform(main);
    f.Form2 = new TForm2(session, *main, f.infoextform, main);
    f.progForm3 = new TprogForm3(session, *main, main);
    f.passwordForm = new TpasswordForm(main);
    main->dialogs = {f.waitform, f.SensorName, f.RegSensor,    f.myDialogForm,
                     f.Form2,    f.progForm3,  f.passwordForm, f.infoextform};
    // What escapes an event handler goes to the window's appException.
    auto *app = qobject_cast<BrezzanoApplication *>(QCoreApplication::instance());
    if (app)
        app->onException = [main](QObject *receiver, const QString &message) {
            main->appException(receiver, message);
        };
    QObject::connect(main, &QObject::destroyed, [app] {
        forms() = Forms{};
        if (app)
            app->onException = nullptr;
    });

    TForm2 *settings = f.Form2;
    TprogForm3 *editor = f.progForm3;
    settings->editSchedule = [editor](int tmin, int tmax) { editor->edit(tmin, tmax); };
    return main;
}

void destroyForms()
{
    // The dialogs are children of the main window.
    delete forms().Form1;
    forms() = Forms{};
}
