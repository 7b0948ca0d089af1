#include "units/form/passwordUnit.h"

#include "shell/Texts.h"
#include "shell/form/Placement.h"
#include "shell/form/Prompts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TpasswordForm::TpasswordForm(QWidget *parent)
    : QDialog(parent), Label1(new QLabel(this)), Edit1(new QLineEdit(this)), Label2(new QLabel(this)),
      Edit2(new QLineEdit(this)), Button1(new QPushButton(this)), Button2(new QPushButton(this))
{
    setObjectName(QStringLiteral("passwordForm"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2->setObjectName(QStringLiteral("Button2"));

    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);
    Edit1->setMinimumWidth(240);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TpasswordForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TpasswordForm::reject);

    // Hiding the second row lets the layout move the buttons up under the first field.
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(Label2);
    layout->addWidget(Edit2);
    layout->addSpacing(8);
    layout->addLayout(buttonRow({Button1, Button2}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TpasswordForm::askPassword(const QString &pw)
{
    prepareAsk(0);
    Edit1->clear();
    pwd = pw;
    const int result = prompts().exec(this);
    // The entry is checked again so that no path but a correct entry yields 1.
    const bool ok = result == Accepted && setting::passwordAccepted(Edit1->text(), pwd);
    return ok ? Accepted : Cancelled;
}

int TpasswordForm::askNewPassword(const QString &oldpw, QString &newpw)
{
    Q_UNUSED(oldpw)
    prepareAsk(1);
    Edit1->clear();
    Edit2->clear();
    const int result = prompts().exec(this);
    newpw = Edit2->text();
    const bool ok = result == Accepted && entryLengthOk() && Edit1->text() == Edit2->text();
    return ok ? Accepted : Cancelled;
}

void TpasswordForm::prepareAsk(int a)
{
    Edit1->clear();
    Edit2->clear();
    setWindowTitle(texts.value(70));
    Button1->setText(texts.value(15));
    Button2->setText(texts.value(18));
    askTy = static_cast<quint8>(a);
    setResult(0);
    if (a == 0) {
        Label1->setText(texts.value(70));
        Label2->hide();
        Edit2->hide();
    } else if (a == 1) {
        Label1->setText(texts.value(121));
        Label2->setText(texts.value(122));
        Label2->show();
        Edit2->show();
    }
}

void TpasswordForm::Button1Click()
{
    if (!entryLengthOk()) {
        QApplication::beep();
        return;
    }
    const QString &expected = askTy == 0 ? pwd : Edit2->text();
    if (Edit1->text() == expected)
        done(Accepted);
    else
        showMismatch();
}

bool TpasswordForm::entryLengthOk() const
{
    // Only the first field is measured; in mode 1 the second must equal it anyway.
    const QString entry = Edit1->text();
    if (entry.size() < MinLength || entry.size() > MaxLength)
        return false;
    // The controller stores one byte a character: a new password it cannot hold
    // would lock the user out.
    return askTy != 1 || std::all_of(entry.begin(), entry.end(), [](QChar c) { return c.unicode() <= 255; });
}

void TpasswordForm::showMismatch()
{
    prompts().info(this, texts.value(14), texts.value(167));
}

void TpasswordForm::reject()
{
    done(Cancelled);
}

void TpasswordForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
    centreWindow(this);
}
