#include "shell/form/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centreWindow(QWidget *w, const QWidget *host)
{
    QRect area;
    if (host)
        area = host->window()->frameGeometry();
    else if (const QScreen *where = w->screen() ? w->screen() : QGuiApplication::primaryScreen())
        area = where->availableGeometry();
    if (!area.isValid())
        return;
    QRect frame = w->frameGeometry();
    frame.moveCenter(area.center());
    w->move(frame.topLeft());
}
