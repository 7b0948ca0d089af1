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
