#pragma once

#include <QByteArray>
#include <QDialog>

class QLabel;
class QLineEdit;
class QStatusBar;

// The unit settings dialog for one unit (par 0), the checked units (1) or all units (2).
// For now only what other code already reaches for; its controls come later.
class TForm2 final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm2)

public:
    explicit TForm2(QWidget *parent = nullptr);

    static constexpr int NameLength = 15;
    static constexpr int UpdateBufferSize = 16;

    quint8 curr_setting = 0; // 0 one unit, 1 the checked units, 2 all units
    quint8 curr_addr = 255;  // the unit in mode 0; 255 otherwise
    // Bytes 0 to 8 go out with tasks 33 and 38; byte 10 chooses the remote-controller task.
    QByteArray update_buffer = QByteArray(UpdateBufferSize, '\0');

    QLineEdit *const Edit5; // the unit's name
    QStatusBar *const stb1;

    // Prepares the dialog for `par` and the unit `unita` and shows it modally.
    void ShowSetting(int par, int unita);
    // 0: waiting; 1: the settings have been sent.
    void setStatusBar(int par);

private:
    QLabel *const stb1Panel0;
    QLabel *const stb1Panel1;
};
