#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Three lines of extra information (the unit settings dialog fills and hides
// them) and an OK button that Escape presses too.
class Tinfoextform final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tinfoextform)

public:
    explicit Tinfoextform(QWidget *parent = nullptr);

    QLabel *const Label1;
    QLabel *const Label2;
    QLabel *const Label3;
    QPushButton *const Button1;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
