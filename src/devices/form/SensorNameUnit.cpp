#include "devices/form/SensorNameUnit.h"

#include "shell/form/Placement.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSensorName::TSensorName(QWidget *parent)
    : QDialog(parent), Label1(new QLabel(QStringLiteral("Digita nome sensore"), this)),
      Edit1(new QLineEdit(this)), Button1(new QPushButton(QStringLiteral("OK"), this)),
      Button2(new QPushButton(QStringLiteral("Annulla"), this))
{
    setObjectName(QStringLiteral("SensorName"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2->setObjectName(QStringLiteral("Button2"));

    setWindowTitle(QStringLiteral("Modifica nome"));
    Edit1->setMaxLength(MaxNameLength);
    Edit1->setMinimumWidth(260);
    Label1->setBuddy(Edit1);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addSpacing(8);
    layout->addLayout(buttonRow({Button1, Button2}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSensorName::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
    centreWindow(this);
}
