#include "schedules/form/ProgUnit.h"

TprogForm3::TprogForm3(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("progForm3"));
}
