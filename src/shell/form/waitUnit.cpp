#include "shell/form/waitUnit.h"

#include "link/Intervals.h"
#include "shell/Texts.h"
#include "shell/form/Placement.h"

#include <QKeyEvent>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

Twaitform::Twaitform(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ProgressBar1(new QProgressBar(this)), Timer1(new QTimer(this))
{
    setObjectName(QStringLiteral("waitform"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    Timer1->setObjectName(QStringLiteral("Timer1"));

    ProgressBar1->setRange(0, 20);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMinimumWidth(260);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(ProgressBar1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1->setInterval(intervals().waitDialogTick);
    connect(Timer1, &QTimer::timeout, this, &Twaitform::Timer1Timer);
}

void Twaitform::FormShow()
{
    ProgressBar1->setValue(0);
    // Taken on every opening so tests that shorten the tick after construction still apply.
    Timer1->setInterval(intervals().waitDialogTick);
    Timer1->start();
    setWindowTitle(texts.value(165));
}

void Twaitform::Timer1Timer()
{
    ProgressBar1->setValue(ProgressBar1->value() + 1);
    if (ProgressBar1->value() >= ProgressBar1->maximum())
        accept();
}

void Twaitform::FormClose()
{
    Timer1->stop();
}

void Twaitform::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
    centreWindow(this, parentWidget());
}

void Twaitform::hideEvent(QHideEvent *event)
{
    // Every way of closing ends in a hide: done(), reject(), hide() and the window manager.
    FormClose();
    QDialog::hideEvent(event);
}

void Twaitform::keyPressEvent(QKeyEvent *event)
{
    // Escape would reject; the wait is not the user's to cut short.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
