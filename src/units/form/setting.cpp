#include "units/form/setting.h"

#include "shell/Texts.h"
#include "shell/form/Prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QVBoxLayout>

TForm2::TForm2(QWidget *parent)
    : QDialog(parent), Edit5(new QLineEdit(this)), stb1(new QStatusBar(this)), stb1Panel0(new QLabel(stb1)),
      stb1Panel1(new QLabel(stb1))
{
    setObjectName(QStringLiteral("Form2"));
    Edit5->setObjectName(QStringLiteral("Edit5"));
    stb1->setObjectName(QStringLiteral("stb1"));
    stb1Panel0->setObjectName(QStringLiteral("stb1Panel0"));
    stb1Panel1->setObjectName(QStringLiteral("stb1Panel1"));

    // The device stores 15 characters of a unit's name.
    Edit5->setMaxLength(NameLength);
    stb1->setSizeGripEnabled(false);
    stb1Panel0->setFixedWidth(150);
    stb1Panel1->setMinimumWidth(500);
    stb1->addWidget(stb1Panel0);
    stb1->addWidget(stb1Panel1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Edit5);
    layout->addStretch();
    layout->addWidget(stb1);
}

void TForm2::ShowSetting(int par, int unita)
{
    curr_setting = static_cast<quint8>(par);
    curr_addr = static_cast<quint8>(unita);
    prompts().exec(this);
}

void TForm2::setStatusBar(int par)
{
    stb1Panel0->clear();
    stb1Panel1->clear();
    if (par == 0)
        stb1Panel0->setText(texts.value(165));
    else if (par == 1)
        stb1Panel1->setText(texts.value(98));
}
