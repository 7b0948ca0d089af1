// The controller's own options on the settings tab: password, web connection,
// alarm sound and clock.
#include "shell/form/Controls.h"
#include "shell/form/Forms.h"
#include "shell/form/Main.h"
#include "units/form/passwordUnit.h"

#include <QToolButton>

namespace {

bool passwordTyped(const QString &password)
{
    TpasswordForm *dialog = forms().passwordForm;
    return dialog && dialog->askPassword(password) == TpasswordForm::Accepted;
}

} // namespace

bool TForm1::passwordGate()
{
    return !use_password || passwordTyped(BZ_password);
}

void TForm1::tab3sb1Click()
{
    // Switching the password on or off always takes the password.
    if (!passwordTyped(BZ_password)) {
        setCheckedQuietly(tab3sb1, !tab3sb1->isChecked());
        return;
    }
    setLinkHost(ipSensor);
    TaskList.Add_addr(Code::SetPasswordUse, 0, requestSnapshot());
    openConnection(true, protocol::Reopens);
}

void TForm1::tab3bt1Click()
{
    if (!passwordTyped(BZ_password))
        return;
    QString typed;
    TpasswordForm *dialog = forms().passwordForm;
    if (!dialog || dialog->askNewPassword(BZ_password, typed) != TpasswordForm::Accepted)
        return;
    BZ_newpassword = typed;
    setLinkHost(ipSensor);
    TaskList.Add_addr(Code::SetPassword, 0, requestSnapshot());
    TaskList.Add(Code::Password);
    openConnection(true, protocol::Reopens);
}

void TForm1::tab3sb2Click()
{
    if (!passwordGate()) {
        setCheckedQuietly(tab3sb2, !tab3sb2->isChecked());
        return;
    }
    setLinkHost(ipSensor);
    TaskList.Add_addr(Code::SetWebConnection, 0, requestSnapshot());
    if (tab3sb2->isChecked())
        TaskList.Add(Code::WebUpdate);
    openConnection(true, protocol::Reopens);
}

void TForm1::tab3sb7Click()
{
    setLinkHost(ipSensor);
    TaskList.Add_addr(Code::SetAlarmUse, 0, requestSnapshot());
    openConnection(true, protocol::Reopens);
}

void TForm1::updtimeClick()
{
    // The clock is read when the request goes out, not when it was queued.
    setLinkHost(ipSensor);
    TaskList.Add(Code::SetClock);
    TaskList.Add(Code::Clock);
    openConnection(true, protocol::Reopens);
}
