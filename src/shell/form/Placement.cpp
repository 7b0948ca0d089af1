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
    frame.moveCenter(area.center());
    w->move(frame.topLeft());
}

void fitAndFixSize(QWidget *w)
{
    const QScreen *where = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!where)
        return;
    const QRect area = where->availableGeometry();
    const QRect frame = w->frameGeometry();
    const QRect client = w->geometry();
    // The decoration's thickness on each side, as the window manager drew it.
    const QRect fitted = area.adjusted(client.left() - frame.left(), client.top() - frame.top(),
                                       client.right() - frame.right(), client.bottom() - frame.bottom());
    if (!area.contains(frame) && fitted.isValid())
        w->setGeometry(fitted);
    w->setFixedSize(w->geometry().size());
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
