#include "devices/form/RegisterSensorUnit.h"

#include "devices/Registration.h"
#include "link/Intervals.h"
#include "shell/Texts.h"
#include "shell/form/Placement.h"
#include "shell/form/Prompts.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>

namespace {

// The registration's messages have this fixed title, whatever the language.
const QString MessageTitle = QStringLiteral("Informazione");

// The password shows '*' for every character, whatever the platform's own mask is.
class PasswordStars final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        return hint == SH_LineEdit_PasswordCharacter ? '*'
                                                     : QProxyStyle::styleHint(hint, option, widget, data);
    }
};

} // namespace

TRegSensor::TRegSensor(QWidget *parent)
    : QDialog(parent), st1(new QLabel(this)), Edit1(new QLineEdit(this)), st2(new QLabel(this)),
      Edit2(new QLineEdit(this)), bt1(new QPushButton(this)), bt2(new QPushButton(this))
{
    setObjectName(QStringLiteral("RegSensor"));
    st1->setObjectName(QStringLiteral("st1"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    st2->setObjectName(QStringLiteral("st2"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    bt1->setObjectName(QStringLiteral("bt1"));
    bt2->setObjectName(QStringLiteral("bt2"));

    setWindowTitle(QStringLiteral("Registra sensore"));
    Edit2->setEchoMode(QLineEdit::Password);
    auto *stars = new PasswordStars(QApplication::style()->name());
    stars->setParent(this);
    Edit2->setStyle(stars);
    st1->setBuddy(Edit1);
    st2->setBuddy(Edit2);
    bt1->setDefault(true);
    connect(bt1, &QPushButton::clicked, this, &TRegSensor::bt1Click);
    connect(bt2, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(st1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(st2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addLayout(buttonRow({bt1, bt2}), 2, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 220);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void TRegSensor::FormShow()
{
    bt1->setText(texts.value(15));
    bt2->setText(texts.value(18));
    st1->setText(texts.value(69));
    st2->setText(texts.value(70));
    Edit1->clear();
    Edit2->clear();
    bt1->setEnabled(true);
}

void TRegSensor::bt1Click()
{
    if (pending)
        return; // one request at a time, whatever sends the click
    const QUrl url = registration::url(serviceBase, Edit1->text(), Edit2->text(),
                                       registration::macFor(MacAddress, MacAddressFrom, deviceAddress));
    if (!url.isValid()) {
        // Guessing a service would send the account's password to an unknown host.
        prompts().info(this, MessageTitle, extraText(ExtraText::RegistrationNotConfigured));
        return;
    }
    if (!http) {
        http = new QNetworkAccessManager(this);
        deadline = new QTimer(this);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this] {
            if (!pending)
                return;
            cut = Cut::Late;
            pending->abort();
        });
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    bt1->setEnabled(false);
    body.clear();
    cut = Cut::None;
    pending = http->get(request);
    pending->setReadBufferSize(registration::MaxReply);
    connect(pending, &QNetworkReply::readyRead, this, [this, reply = pending] { readReply(reply); });
    connect(pending, &QNetworkReply::finished, this, [this, reply = pending] { replyFinished(reply); });
    deadline->start(intervals().registration);
}

void TRegSensor::readReply(QNetworkReply *reply)
{
    if (reply != pending || cut != Cut::None)
        return;
    body += reply->read(registration::MaxReply + 1 - body.size());
    if (body.size() > registration::MaxReply) {
        cut = Cut::TooLong;
        if (!reply->isFinished())
            reply->abort();
    }
}

void TRegSensor::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply != pending)
        return;
    readReply(reply); // what came with the end
    pending = nullptr;
    deadline->stop();
    bt1->setEnabled(true);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An error status, or a redirect, which is not followed: it could lead the password to another host.
    if (cut == Cut::Late ||
        (cut == Cut::None && (reply->error() != QNetworkReply::NoError || status >= 300))) {
        // The error's own message would show the whole address, password included.
        prompts().info(this, MessageTitle,
                       registration::failureText(reply->error(), reply->url(), status, cut == Cut::Late));
        return;
    }
    // A reply cut for its size is no code either.
    const registration::Reply outcome = registration::interpret(body);
    prompts().info(this, MessageTitle, outcome.message);
    if (outcome.closes)
        accept();
}

void TRegSensor::dropRequest()
{
    if (!pending)
        return;
    QNetworkReply *reply = pending;
    pending = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    deadline->stop();
    bt1->setEnabled(true);
}

void TRegSensor::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
    Edit1->setFocus();
    centreWindow(this);
}

void TRegSensor::done(int result)
{
    // Cancel, Escape or closing the window while the request runs drop it quietly.
    dropRequest();
    QDialog::done(result);
}
