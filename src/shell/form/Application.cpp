#include "shell/form/Application.h"

#include <exception>

BrezzanoApplication::BrezzanoApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool BrezzanoApplication::notify(QObject *receiver, QEvent *event)
{
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        message = QString::fromLocal8Bit(error.what());
    } catch (...) {
        message = QStringLiteral("unknown error");
    }
    if (onException)
        onException(receiver, message);
    return false;
}
