#pragma once

#include "units/Setting.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the controller's password, or for a new one typed twice.
class TpasswordForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TpasswordForm)

public:
    explicit TpasswordForm(QWidget *parent = nullptr);

    static constexpr int MinLength = setting::PasswordMinChars;
    static constexpr int MaxLength = setting::PasswordMaxChars;
    static constexpr int Accepted = 1;
    static constexpr int Cancelled = 2;

    // 1 when the user typed exactly `pw`, 2 when the dialog was cancelled or closed.
    int askPassword(const QString &pw);
    // 1 when both entries matched, 2 otherwise; `newpw` always receives the second entry.
    int askNewPassword(const QString &oldpw, QString &newpw);

    quint8 askTy = 0; // 0: the current password; 1: a new password twice
    QString pwd;      // what the entry must equal in mode 0

    QLabel *const Label1;
    QLineEdit *const Edit1;
    QLabel *const Label2;
    QLineEdit *const Edit2;
    QPushButton *const Button1; // default: Enter presses it
    QPushButton *const Button2; // cancel, also on Escape

    void Button1Click();
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void prepareAsk(int a);
    bool entryLengthOk() const;
    void showMismatch();
};
