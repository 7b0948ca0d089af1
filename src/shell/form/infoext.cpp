#include "shell/form/infoext.h"

#include "shell/form/Placement.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Tinfoextform::Tinfoextform(QWidget *parent)
    : QDialog(parent), Label1(new QLabel(this)), Label2(new QLabel(this)), Label3(new QLabel(this)),
      Button1(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("infoextform"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Button1->setObjectName(QStringLiteral("Button1"));

    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    for (QLabel *label : {Label1, Label2, Label3}) {
        label->setMinimumWidth(320);
        layout->addWidget(label);
    }
    layout->addSpacing(8);
    layout->addLayout(buttonRow({Button1}, true));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Tinfoextform::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreWindow(this);
}

void Tinfoextform::keyPressEvent(QKeyEvent *event)
{
    // Escape means OK here, not cancel: the window only informs.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Button1->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
