#pragma once

#include "units/form/passwordUnit.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

// Answers the password dialog: types each entry (and its second field) and
// presses Ok until the dialog closes, then presses Cancel.
struct PasswordScript
{
    QStringList entries;
    QStringList seconds; // the second field's text for each entry (new-password mode)

    int operator()(QDialog *dialog) const
    {
        auto *form = qobject_cast<TpasswordForm *>(dialog);
        for (int i = 0; i < entries.size(); ++i) {
            form->Edit1->setText(entries.at(i));
            if (i < seconds.size())
                form->Edit2->setText(seconds.at(i));
            form->Button1->click();
            if (form->result() != 0)
                return form->result();
        }
        form->Button2->click();
        return form->result();
    }
};
