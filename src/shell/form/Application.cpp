#include "shell/form/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>
#include <memory>

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

void speakQtLanguage(int lang)
{
    static QTranslator *installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (lang != 1)
        return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installed = translator.release();
        QCoreApplication::installTranslator(installed);
    }
}
