#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Registers the active device with the registration web service under a user's account.
class TRegSensor final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TRegSensor)

public:
    explicit TRegSensor(QWidget *parent = nullptr);

    // The MAC address as the device last reported it (response 24).
    QString MacAddress;

    QLabel *const st1;
    QLineEdit *const Edit1; // user name
    QLabel *const st2;
    QLineEdit *const Edit2; // password, shown as '*'
    QPushButton *const bt1; // Ok, the default button
    QPushButton *const bt2; // Cancel, also on Escape

    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;
};
