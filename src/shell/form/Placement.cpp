#include "shell/form/Placement.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The frame `w` will have: before its first showing a window has no decoration
// yet, so it borrows the thickness of `host`'s.
QRect frameOf(const QWidget *w, const QWidget *host)
{
    QRect frame = w->frameGeometry();
    if (host && frame == w->geometry()) {
        const QWidget *top = host->window();
        const QRect outer = top->frameGeometry();
        const QRect inner = top->geometry();
        frame = frame.marginsAdded(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                            outer.right() - inner.right(), outer.bottom() - inner.bottom()));
    }
    return frame;
}

} // namespace

void placeBeside(QWidget *w, const QWidget *opener)
{
    const QRect host = opener->window()->frameGeometry();
    const QScreen *where = opener->screen() ? opener->screen() : QGuiApplication::primaryScreen();
    if (!where)
        return;
    const QRect area = where->availableGeometry();
    QRect frame = frameOf(w, opener);
    // Right, left, below, above: each clamped into the screen; the least overlap wins.
    const QPoint tops[] = {{host.right() + 1, host.top()},
                           {host.left() - frame.width(), host.top()},
                           {host.left(), host.bottom() + 1},
                           {host.left(), host.top() - frame.height()}};
    QRect best;
    qint64 bestOverlap = -1;
    for (const QPoint &top : tops) {
        QRect place(top, frame.size());
        place.moveLeft(
            std::clamp(place.left(), area.left(), std::max(area.left(), area.right() - place.width() + 1)));
        place.moveTop(
            std::clamp(place.top(), area.top(), std::max(area.top(), area.bottom() - place.height() + 1)));
        const QRect covered = place.intersected(host);
        const qint64 overlap = qint64(covered.width()) * covered.height();
        if (bestOverlap < 0 || overlap < bestOverlap) {
            best = place;
            bestOverlap = overlap;
        }
    }
    w->move(best.topLeft());
}

void centreWindow(QWidget *w, const QWidget *host)
{
    QRect area;
    if (host)
        area = host->window()->frameGeometry();
    else if (const QScreen *where = w->screen() ? w->screen() : QGuiApplication::primaryScreen())
        area = where->availableGeometry();
    if (!area.isValid())
        return;
    // Counting the host's decoration, the first opening lands where the next ones do.
    QRect frame = frameOf(w, host);
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
