// Reading the schedule of the unit whose settings dialog opens.
#include "session/ControllerSession.h"
#include "shell/form/Main.h"

#include <QString>

void TForm1::getLengthProgramm(int adr)
{
    session->setLinkHost(ipSensor);
    session->TaskList.Add_addr(Code::ScheduleLength, adr);
    session->openConnection(true, protocol::Reopens);
}
