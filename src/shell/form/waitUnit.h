#pragma once

#include <QDialog>

class QProgressBar;
class QTimer;

// A small window with a bar that fills in 20 ticks and then closes itself. Whoever
// opened it may close it sooner; it offers the user no way to close it.
class Twaitform final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Twaitform)

public:
    explicit Twaitform(QWidget *parent = nullptr);

    QProgressBar *const ProgressBar1;
    QTimer *const Timer1;

    void FormShow();
    void Timer1Timer();
    void FormClose();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
