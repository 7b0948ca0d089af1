// The controller's own options on the settings tab: password, web connection,
// alarm sound and clock.
#include "session/ControllerSession.h"
#include "shell/form/Controls.h"
#include "shell/form/Main.h"
#include "units/form/passwordUnit.h"

#include <QToolButton>

namespace {

bool passwordTyped(TpasswordForm *dialog, const QString &password)
{
    return dialog && dialog->askPassword(password) == TpasswordForm::Accepted;
}

} // namespace

bool TForm1::passwordGate()
{
    return !model.use_password || passwordTyped(dialogs.passwordForm, model.BZ_password);
}

void TForm1::tab3sb1Click()
{
    // Switching the password on or off always takes the password.
    if (!passwordTyped(dialogs.passwordForm, model.BZ_password)) {
        setCheckedQuietly(tab3sb1, !tab3sb1->isChecked());
        return;
    }
    session->setLinkHost(ipSensor);
    session->TaskList.Add_addr(Code::SetPasswordUse, 0, session->requestSnapshot());
    session->openConnection(true, protocol::Reopens);
}

void TForm1::tab3bt1Click()
{
    if (!passwordTyped(dialogs.passwordForm, model.BZ_password))
        return;
    QString typed;
    TpasswordForm *dialog = dialogs.passwordForm;
    if (!dialog || dialog->askNewPassword(model.BZ_password, typed) != TpasswordForm::Accepted)
        return;
    model.BZ_newpassword = typed;
    session->setLinkHost(ipSensor);
    session->TaskList.Add_addr(Code::SetPassword, 0, session->requestSnapshot());
    session->TaskList.Add(Code::Password);
    session->openConnection(true, protocol::Reopens);
}

void TForm1::tab3sb2Click()
{
    if (!passwordGate()) {
        setCheckedQuietly(tab3sb2, !tab3sb2->isChecked());
        return;
    }
    session->setLinkHost(ipSensor);
    session->TaskList.Add_addr(Code::SetWebConnection, 0, session->requestSnapshot());
    if (tab3sb2->isChecked())
        session->TaskList.Add(Code::WebUpdate);
    session->openConnection(true, protocol::Reopens);
}

void TForm1::tab3sb7Click()
{
    session->setLinkHost(ipSensor);
    session->TaskList.Add_addr(Code::SetAlarmUse, 0, session->requestSnapshot());
    session->openConnection(true, protocol::Reopens);
}

void TForm1::updtimeClick()
{
    // The clock is read when the request goes out, not when it was queued.
    session->setLinkHost(ipSensor);
    session->TaskList.Add(Code::SetClock);
    session->TaskList.Add(Code::Clock);
    session->openConnection(true, protocol::Reopens);
}
