#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A plain message window: one centred line of text and an OK button.
class TmyDialogForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TmyDialogForm)

public:
    explicit TmyDialogForm(QWidget *parent = nullptr);

    QLabel *const StaticText1;
    QPushButton *const Button1;

    // Shows `msg` under the title `tit` modally; returns when it is closed.
    void ShowMessage(const QString &tit, const QString &msg);
};
