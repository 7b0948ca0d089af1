#pragma once

#include <QLatin1String>
#include <QToolButton>

// `widget` with its object name, so tests and people can find it by name.
template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A speed button that stays down when pressed, showing only its text.
inline QToolButton *toggle(const char *name, QWidget *parent)
{
    auto *button = named(new QToolButton(parent), name);
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}
