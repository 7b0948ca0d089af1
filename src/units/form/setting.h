#pragma once

#include "units/Setting.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <vector>

class ControllerSession;
class Tinfoextform;
class WindowHost;
class QButtonGroup;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QToolButton;

// The unit settings dialog for one unit (par 0), the checked units (1) or all units (2).
class TForm2 final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm2)

public:
    TForm2(ControllerSession &session, WindowHost &host, Tinfoextform *info, QWidget *parent = nullptr);

    ControllerSession *const session; // the units it shows, and where its handlers' errors go
    // Runs the schedule editor on the schedule the list shows, with temperatures from `tmin` to `tmax`.
    std::function<void(int tmin, int tmax)> editSchedule;

    static constexpr int NameLength = setting::UnitNameChars;
    static constexpr int UpdateBufferSize = 16;

    quint8 curr_setting = 0; // 0 one unit, 1 the checked units, 2 all units
    quint8 curr_addr = 255;  // the unit in mode 0; 255 otherwise
    // Bytes 0 to 8 go out with tasks 33 and 38; byte 10 chooses the remote-controller task.
    QByteArray update_buffer = QByteArray(UpdateBufferSize, '\0');
    quint8 stbupd = 0; // 1 from the first send button until the dialog closes
    // In mode 1 the units ticked when the dialog opened: the refresh after a sending
    // unticks every row, and a second sending must still reach them.
    std::vector<int> targetUnits;

    // Prepares the dialog for `par` and the unit `unita` and shows it modally.
    void ShowSetting(int par, int unita);
    // 0: waiting; 1: the settings have been sent.
    void setStatusBar(int par);
    // Ends the wait with what of the sending did not reach the units.
    void showUndelivered(const QString &text);

    void FormShow();
    void FormClose();
    void btsetClick();
    void btsetnClick();
    void btsetpClick();
    void sb14Click();
    void sb15Click();
    void btcancelClick();
    void BitBtn1Click();
    void btprogClick();

    QLabel *Label1 = nullptr;
    QToolButton *sb1 = nullptr, *sb2 = nullptr, *sb3 = nullptr, *sb4 = nullptr, *sb5 = nullptr,
                *sb6 = nullptr;
    QLabel *Label2 = nullptr;
    QToolButton *sb7 = nullptr, *sb8 = nullptr, *sb9 = nullptr, *sb10 = nullptr;
    QLabel *Label3 = nullptr;
    QSpinBox *Edit1 = nullptr; // with its up-down control UpDown1
    QLabel *Label4 = nullptr;
    QSpinBox *Edit2 = nullptr; // UpDown2
    QLabel *Label5 = nullptr;
    QSpinBox *Edit3 = nullptr; // UpDown3
    QLabel *Label6 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QToolButton *sb11 = nullptr, *sb12 = nullptr, *sb13 = nullptr;
    QPushButton *sb14 = nullptr, *sb15 = nullptr;
    QPushButton *btcancel = nullptr, *btset = nullptr, *BitBtn1 = nullptr;
    QLineEdit *Edit5 = nullptr; // the unit's name
    QLabel *Label7 = nullptr;
    QWidget *ToolBar3 = nullptr;
    QToolButton *sb16 = nullptr, *sb17 = nullptr, *sb18 = nullptr;
    QPushButton *btsetn = nullptr;
    QListWidget *ProgListBox1 = nullptr;
    QPushButton *btprog = nullptr, *btsetp = nullptr;
    QStatusBar *stb1 = nullptr;

    QButtonGroup *modeBar = nullptr;
    QButtonGroup *fanBar = nullptr;
    QButtonGroup *lockBar = nullptr;

private:
    void buildUi();
    void applyCaptions();
    void fillUpdateBuffer();
    // Asks for the controller's password when it is in use; false: stop here.
    bool passwordGate();
    // The first steps of every send button.
    bool startSending();

    WindowHost &host;
    Tinfoextform *const info; // shows the unit's pipe temperatures
    QLabel *stb1Panel0 = nullptr;
    QLabel *stb1Panel1 = nullptr;
};
