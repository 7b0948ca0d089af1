#pragma once

#include <QAbstractItemView>
#include <QLatin1String>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>

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

// Sets a button's state as the program's own doing: handlers listen to
// `toggled`, which a user's change by any means emits, and must not run.
inline void setCheckedQuietly(QAbstractButton *button, bool checked)
{
    const QSignalBlocker quiet(button);
    button->setChecked(checked);
}

// What Space does in a list with a check box per row: flips the current row's
// box, whichever of its cells has the focus (the view alone acts only on the
// box's own column). False when there is no current row.
inline bool flipCurrentRowCheck(QAbstractItemView *list)
{
    const QModelIndex current = list ? list->currentIndex() : QModelIndex();
    if (!current.isValid())
        return false;
    const QModelIndex box = current.siblingAtColumn(0);
    const bool checked = box.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    list->model()->setData(box, int(checked ? Qt::Unchecked : Qt::Checked), Qt::CheckStateRole);
    return true;
}
