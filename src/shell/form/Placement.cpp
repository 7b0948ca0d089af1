#include "shell/form/Placement.h"

#include <QGuiApplication>
#include <QHBoxLayout>
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
    // Before its first showing a window has no decoration yet: count the host's, or the
    // first opening lands lower than the next ones.
    if (host && frame == w->geometry()) {
        const QWidget *top = host->window();
        const QRect outer = top->frameGeometry();
        const QRect inner = top->geometry();
        frame = frame.marginsAdded(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                            outer.right() - inner.right(), outer.bottom() - inner.bottom()));
    }
    frame.moveCenter(area.center());
    w->move(frame.topLeft());
}

bool fitAndFixSize(QWidget *w)
{
    const QScreen *where = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!where)
        return true;
    const QRect area = where->availableGeometry();
    const QRect frame = w->frameGeometry();
    if (frame == area && w->minimumSize() == w->maximumSize())
        return true;
    const QRect client = w->geometry();
    // The decoration's thickness on each side, as the window manager drew it.
    const QSize fitted = area.adjusted(client.left() - frame.left(), client.top() - frame.top(),
                                       client.right() - frame.right(), client.bottom() - frame.bottom())
                             .size();
    if (fitted.isValid())
        w->setFixedSize(fitted);
    // move() places the frame, not the client area.
    w->move(area.topLeft());
    return false;
}

QHBoxLayout *buttonRow(std::initializer_list<QWidget *> buttons, bool centred)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QWidget *button : buttons)
        row->addWidget(button);
    if (centred)
        row->addStretch();
    return row;
}
