#include "shell/form/myDialogUnit.h"
#include "shell/form/Placement.h"

#include "shell/form/Prompts.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TmyDialogForm::TmyDialogForm(QWidget *parent)
    : QDialog(parent), StaticText1(new QLabel(this)), Button1(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("myDialogForm"));
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    Button1->setObjectName(QStringLiteral("Button1"));

    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setWordWrap(true);
    StaticText1->setMinimumWidth(280);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(StaticText1);
    layout->addSpacing(8);
    layout->addLayout(buttonRow({Button1}, true));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TmyDialogForm::ShowMessage(const QString &tit, const QString &msg)
{
    setWindowTitle(tit);
    StaticText1->setText(msg);
    prompts().exec(this);
}
