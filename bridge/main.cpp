// brezzano-bridge: every configured controller polled side by side and
// published on an MQTT broker, with Home Assistant discovery; commands come back
// the same way. Core only: no Qt Gui or Widgets.
#include "Bridge.h"
#include "Log.h"
#include "bridge/Config.h"
#include "shell/SignalPipe.h"
#include "shell/Texts.h"
#include "shell/Version.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.contains(QStringLiteral("--version"))) {
        std::printf("brezzano-bridge %s\n", BREZZANO_VERSION);
        return 0;
    }
    const bridge::Arguments parsed = bridge::parseArguments(args);
    if (parsed.help) {
        std::fputs(bridge::usage().toUtf8().constData(), stdout);
        return 0;
    }
    bridge::installLogHandler();
    if (!parsed.error.isEmpty()) {
        bridge::logError(parsed.error);
        std::fputs(bridge::usage().toUtf8().constData(), stderr);
        return 2;
    }
    bridge::BridgeConfig config;
    QString error = bridge::loadConfig(parsed, &config);
    bridge::BrokerOptions broker;
    if (error.isEmpty())
        error = bridge::brokerOptions(config, &broker);
    if (error.isEmpty() && config.controllers.empty())
        error = QStringLiteral("no controller configured");
    if (!error.isEmpty()) {
        bridge::logError(error);
        return 2;
    }
    for (const QString &warning : config.warnings)
        bridge::logWarning(warning);
    loadLanguage(0);

    bridge::Bridge daemon(config, broker);
    SignalPipe stopSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&stopSignals, &SignalPipe::signalled, &daemon, [&daemon](int) { daemon.stop(); });
    QObject::connect(&daemon, &bridge::Bridge::stopped, &app, [&daemon] {
        bridge::logInfo(QStringLiteral("stopped: %1 messages published, %2 acknowledged by the broker")
                            .arg(daemon.client().publishedCount())
                            .arg(daemon.client().acknowledgedCount()));
        QCoreApplication::quit();
    });
    if (!daemon.start(&error)) {
        bridge::logError(error);
        return 1;
    }
    bridge::logInfo(QStringLiteral("brezzano-bridge %1 (id %4): %2 controllers, every %3 s")
                        .arg(QLatin1String(BREZZANO_VERSION))
                        .arg(config.controllers.size())
                        .arg(config.period)
                        .arg(config.id));
    return app.exec();
}
