#pragma once

#include <QApplication>

#include <functional>

// The application object: every exception that escapes an event handler ends
// here and is handed to `onException` (the main window's appException).
class BrezzanoApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrezzanoApplication)

public:
    BrezzanoApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    std::function<void(QObject *receiver, const QString &message)> onException;
};

// Qt's own dialogs (choosing a file, printing) speak the window's language: 0 English, 1 Italian.
// Without Qt's translations installed they stay English.
void speakQtLanguage(int lang);
