#include "shell/form/Main.h"
#include "link/Intervals.h"
#include "session/form/SiteTab.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/SignalPipe.h"
#include "shell/Texts.h"
#include "shell/form/Application.h"
#include "shell/form/Forms.h"
#include "shell/form/Placement.h"
#include "shell/form/Prompts.h"
#include "shell/form/Style.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QScreen>
#include <QTimer>

#include <memory>

namespace {

// A window manager un-maximizes a window whose size is fixed and frames it anew: fit again.
void fitWhenFramed(TForm1 *main, int triesLeft)
{
    if (!fitAndFixSize(main) && triesLeft > 1)
        QTimer::singleShot(intervals().windowSettle, main,
                           [main, triesLeft] { fitWhenFramed(main, triesLeft - 1); });
}

} // namespace

int main(int argc, char **argv)
{
    // No command line and no environment are read: the settings file is all.
    BrezzanoApplication app(argc, argv);
    ignoreFileSizeSignal();
    applyAppStyle(app);
    // A second instance here would overwrite the first one's settings at its close.
    bool heldElsewhere = false;
    const std::unique_ptr<QLockFile> folderLock = lockSettingsFolder(QDir::currentPath(), &heldElsewhere);
    // A folder that cannot be written runs without the lock: there is nothing to overwrite.
    if (!folderLock && heldElsewhere) {
        IniFile ini;
        ini.load(QDir::current().filePath(QStringLiteral("brezzano.ini")));
        loadLanguage(readSettings(ini).language);
        prompts().error(
            nullptr, texts.value(14),
            extraText(ExtraText::AlreadyRunning).arg(QDir::toNativeSeparators(QDir::currentPath())));
        return 1;
    }
    TForm1 *main = createForms();
    // Logout and shutdown end the program as a close does, settings saved.
    QObject::connect(saveAndQuitSignals(&app), &SignalPipe::signalled, main, [main] {
        main->close();
        QCoreApplication::exit(0);
    });
    if (QScreen *screen = main->screen())
        main->setGeometry(screen->availableGeometry());
    main->showMaximized();
    // After the first show, which reads the settings file: the history speaks its language.
    // The first reload waits for the event loop, so the recorder sees it.
    // In a folder that cannot be written the history shows what its file holds and
    // alerts still come; nothing new is kept.
    history::HistoryView *history = createHistory(main, QDir::currentPath());
    createSite(main, QDir::currentPath(), history);
    if (!folderLock) {
        main->keepSettings = false;
        prompts().error(
            main, texts.value(14),
            extraText(ExtraText::FolderReadOnly).arg(QDir::toNativeSeparators(QDir::currentPath())));
    }
    // A fixed border, but only once the window manager has maximized and
    // framed the window: fixed earlier, the frame pushed the bottom off screen.
    QTimer::singleShot(intervals().windowSettle, main, [main] { fitWhenFramed(main, 4); });
    const int result = app.exec();
    destroyForms();
    return result;
}
