#pragma once

#include "history/AlertPacer.h"

#include <QFrame>

#include <functional>

class QLabel;
class QPushButton;

namespace history {

// A red strip across the top of the main window that lists the faults not yet
// acknowledged; it stays until the user acknowledges them or they end.
class AlarmBar final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlarmBar)
public:
    AlarmBar(int lang, QWidget *parent = nullptr);

    // Shows `alarms`, each controller by `controllerLabel`; hides itself when there are none.
    void showAlarms(const std::vector<OpenAlarms::Alarm> &alarms,
                    const std::function<QString(const QString &)> &controllerLabel);
    void setLanguage(int lang);
    QString text() const;

Q_SIGNALS:
    void acknowledged();
    void historyWanted();

private:
    void retranslate();

    int lang;
    QLabel *label = nullptr;
    QPushButton *historyButton = nullptr;
    QPushButton *acknowledgeButton = nullptr;
    std::vector<OpenAlarms::Alarm> shown;
    std::function<QString(const QString &)> labelOf;
};

} // namespace history
