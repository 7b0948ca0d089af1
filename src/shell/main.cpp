#include "shell/form/Main.h"
#include "link/Intervals.h"
#include "shell/form/Application.h"
#include "shell/form/Forms.h"
#include "shell/form/Placement.h"
#include "shell/form/Style.h"

#include <QScreen>
#include <QTimer>

int main(int argc, char **argv)
{
    // No command line and no environment are read: the settings file is all.
    BrezzanoApplication app(argc, argv);
    applyAppStyle(app);
    createForms();
    TForm1 *main = forms().Form1;
    if (QScreen *screen = main->screen())
        main->setGeometry(screen->availableGeometry());
    main->showMaximized();
    // A fixed border, but only once the window manager has maximized and
    // framed the window: fixed earlier, the frame pushed the bottom off screen.
    QTimer::singleShot(intervals().windowSettle, main, [main] { fitAndFixSize(main); });
    const int result = app.exec();
    destroyForms();
    return result;
}
