#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QTimer;

// Registers the active device with the registration web service under a user's account.
class TRegSensor final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TRegSensor)

public:
    explicit TRegSensor(QWidget *parent = nullptr);

    // The MAC address as the device last reported it (response 24), and the
    // address of the device that reported it.
    QString MacAddress;
    QString MacAddressFrom;
    // Set by whoever opens the dialog: the service's base address (empty when
    // not configured) and the address of the device being registered.
    QString serviceBase;
    QString deviceAddress;

    QLabel *const st1;
    QLineEdit *const Edit1; // user name
    QLabel *const st2;
    QLineEdit *const Edit2; // password, shown as '*'
    QPushButton *const bt1; // Ok, the default button
    QPushButton *const bt2; // Cancel, also on Escape

    void FormShow();
    // Sends the request; the answer is shown when it arrives, the window stays live meanwhile.
    void bt1Click();
    bool requestRunning() const { return pending != nullptr; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void replyFinished(QNetworkReply *reply);
    void readReply(QNetworkReply *reply);
    void dropRequest();

    QNetworkAccessManager *http = nullptr;
    QNetworkReply *pending = nullptr;
    QTimer *deadline = nullptr; // the whole exchange, however slowly the reply trickles in
    QByteArray body;            // what has been read of the reply, at most one byte over the limit
    enum class Cut { None, Late, TooLong } cut = Cut::None;
};
