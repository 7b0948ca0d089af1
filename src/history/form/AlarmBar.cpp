#include "history/form/AlarmBar.h"

#include "history/FaultTransitions.h"
#include "history/HistoryTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace history {

namespace {

// More than this many units read as "and N more": the bar stays one line.
constexpr int ListedAlarms = 4;

} // namespace

AlarmBar::AlarmBar(int lang, QWidget *parent) : QFrame(parent), lang(lang)
{
    setObjectName(QStringLiteral("alarmBar"));
    // A fixed red, whatever the style: it must not look like an ordinary strip.
    setStyleSheet(QStringLiteral("#alarmBar { background: #c62828; } #alarmBar QLabel { color: white; "
                                 "font-weight: bold; }"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    label = new QLabel(this);
    label->setObjectName(QStringLiteral("alarmText"));
    label->setTextFormat(Qt::PlainText);
    historyButton = new QPushButton(this);
    historyButton->setObjectName(QStringLiteral("alarmHistory"));
    acknowledgeButton = new QPushButton(this);
    acknowledgeButton->setObjectName(QStringLiteral("alarmAcknowledge"));
    layout->addWidget(label, 1);
    layout->addWidget(historyButton);
    layout->addWidget(acknowledgeButton);
    connect(historyButton, &QPushButton::clicked, this, &AlarmBar::historyWanted);
    connect(acknowledgeButton, &QPushButton::clicked, this, &AlarmBar::acknowledged);
    retranslate();
    hide();
}

void AlarmBar::showAlarms(const std::vector<OpenAlarms::Alarm> &alarms,
                          const std::function<QString(const QString &)> &controllerLabel)
{
    shown = alarms;
    labelOf = controllerLabel;
    retranslate();
    setVisible(!alarms.empty());
}

void AlarmBar::setLanguage(int value)
{
    lang = value;
    retranslate();
}

QString AlarmBar::text() const
{
    return label->text();
}

void AlarmBar::retranslate()
{
    historyButton->setText(history::text(Text::HistoryButton, lang));
    acknowledgeButton->setText(history::text(Text::Acknowledge, lang));
    QStringList units;
    for (size_t i = 0; i < shown.size() && i < size_t(ListedAlarms); ++i) {
        const OpenAlarms::Alarm &alarm = shown[i];
        QString unit = unitLabel(alarm.addr, alarm.name) + QLatin1Char(' ') + faultCodeText(alarm.code);
        if (labelOf)
            unit += QStringLiteral(" – ") + labelOf(alarm.controller);
        units << unit;
    }
    if (shown.size() > size_t(ListedAlarms))
        units << history::text(Text::AlarmMore, lang).arg(shown.size() - size_t(ListedAlarms));
    label->setText(history::text(Text::AlarmUnits, lang).arg(units.join(QStringLiteral("; "))));
}

} // namespace history
