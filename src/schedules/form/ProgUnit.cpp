#include "schedules/form/ProgUnit.h"

#include "shell/form/Forms.h"
#include "shell/form/Prompts.h"
#include "units/form/setting.h"

TprogForm3::TprogForm3(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("progForm3"));
}

// The settings dialog's schedules button: the editor works on a copy and hands
// it back when saved.
void TForm2::btprogClick()
{
    if (TprogForm3 *editor = forms().progForm3)
        prompts().exec(editor);
}
