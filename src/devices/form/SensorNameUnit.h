#pragma once

#include "link/Codes.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a device's new name. Its captions are fixed: they do not follow the language.
class TSensorName final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSensorName)

public:
    explicit TSensorName(QWidget *parent = nullptr);

    // The name request carries its length in one hex byte of hex digits: 127 characters at most.
    static constexpr int MaxNameLength = protocol::MaxPayloadBytes;

    QLabel *const Label1;
    QLineEdit *const Edit1;
    QPushButton *const Button1; // OK, the default button
    QPushButton *const Button2; // Annulla, also on Escape

protected:
    void showEvent(QShowEvent *event) override;
};
