#include "devices/form/RegisterSensorUnit.h"

#include "shell/Texts.h"

#include "shell/form/Placement.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TRegSensor::TRegSensor(QWidget *parent)
    : QDialog(parent), st1(new QLabel(this)), Edit1(new QLineEdit(this)), st2(new QLabel(this)),
      Edit2(new QLineEdit(this)), bt1(new QPushButton(this)), bt2(new QPushButton(this))
{
    setObjectName(QStringLiteral("RegSensor"));
    st1->setObjectName(QStringLiteral("st1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    st2->setObjectName(QStringLiteral("st2"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    bt1->setObjectName(QStringLiteral("bt1"));
    bt2->setObjectName(QStringLiteral("bt2"));

    setWindowTitle(QStringLiteral("Registra sensore"));
    Edit2->setEchoMode(QLineEdit::Password);
    st1->setBuddy(Edit1);
    st2->setBuddy(Edit2);
    bt1->setDefault(true);
    connect(bt2, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(st1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(st2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addLayout(buttonRow({bt1, bt2}), 2, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 220);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void TRegSensor::FormShow()
{
    bt1->setText(texts.value(15));
    bt2->setText(texts.value(18));
    st1->setText(texts.value(69));
    st2->setText(texts.value(70));
    Edit1->clear();
    Edit2->clear();
}

void TRegSensor::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
    Edit1->setFocus();
    centreWindow(this);
}
