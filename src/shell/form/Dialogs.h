#pragma once

class Twaitform;
class TSensorName;
class TRegSensor;
class TmyDialogForm;
class TForm2;
class TprogForm3;
class TpasswordForm;
class Tinfoextform;

// The main window's dialogs, built once at start-up by the application's root and reused.
struct Dialogs
{
    Twaitform *waitform = nullptr;
    TSensorName *SensorName = nullptr;
    TRegSensor *RegSensor = nullptr;
    TmyDialogForm *myDialogForm = nullptr;
    TForm2 *Form2 = nullptr;
    TprogForm3 *progForm3 = nullptr;
    TpasswordForm *passwordForm = nullptr;
    Tinfoextform *infoextform = nullptr;
};
