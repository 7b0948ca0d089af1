#include "shell/form/Main.h"
#include "link/Intervals.h"
#include "shell/form/Application.h"
#include "shell/form/Forms.h"
#include "shell/form/Placement.h"
#include "shell/form/Style.h"

#include <QScreen>
#include <QTimer>

#include <functional>
#include <memory>

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
    // A window manager un-maximizes a window whose size is fixed and frames it anew: fit again.
    auto fit = std::make_shared<std::function<void(int)>>();
    *fit = [main, fit](int triesLeft) {
        if (!fitAndFixSize(main) && triesLeft > 1)
            QTimer::singleShot(intervals().windowSettle, main, [fit, triesLeft] { (*fit)(triesLeft - 1); });
    };
    QTimer::singleShot(intervals().windowSettle, main, [fit] { (*fit)(4); });
    const int result = app.exec();
    destroyForms();
    return result;
}
