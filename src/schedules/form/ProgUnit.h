#pragma once

#include <QDialog>

// The weekly schedule editor; its content comes later.
class TprogForm3 final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TprogForm3)

public:
    explicit TprogForm3(QWidget *parent = nullptr);
};
