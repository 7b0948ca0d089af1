#pragma once

#include "schedules/Program.h"

#include <QDialog>

class ControllerSession;
class WindowHost;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// The weekly schedule editor. It works on a copy of the schedule the
// application holds and hands it back only when the user saves.
class TprogForm3 final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TprogForm3)

public:
    TprogForm3(ControllerSession &session, WindowHost &host, QWidget *parent = nullptr);

    ControllerSession *const session; // holds the schedule edited, and where its handlers' errors go

    TprogRecordList editProgList; // the working copy, at most 59 entries

    // Prepares the dialog for an opening: choice lists, captions, the copy.
    void FormShow(int tmin, int tmax);
    // Edits a copy of the schedule; saved, it replaces the schedule.
    void edit(int tmin, int tmax);
    void Button1Click(); // Back
    void Button2Click(); // Save
    void Button3Click(); // Add
    void editprogListBox1KeyDown(int key);

    QListWidget *editprogListBox1 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr;
    QComboBox *ComboBox1 = nullptr; // day, or a group of days
    QComboBox *ComboBox2 = nullptr; // hour
    QComboBox *ComboBox3 = nullptr; // minute
    QComboBox *ComboBox4 = nullptr; // temperature, from the settings dialog's limits
    QComboBox *ComboBox5 = nullptr; // mode; the item index is the code
    QComboBox *ComboBox6 = nullptr; // fan speed; the item index is the code

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildUi();
    void fillEditControls(int tmin, int tmax);

    WindowHost &host;
    void updateEditProgList();
    bool setEditProgEntry(int tm, int tp, int md, int fn);
    void addEditProgEntries();
};
