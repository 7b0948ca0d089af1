// How long the settings file of a large address book takes to load and to save:
// a file of 10 000 devices with foreign lines around them, each figure the
// median of five runs. Loading is reading the file and the settings; saving is
// writing the settings and the file.
#include "shell/IniFile.h"
#include "shell/Settings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Devices = 10000;
constexpr int Runs = 5;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("brezzano.ini"));
    QByteArray file("; kept by hand\r\n[SENS]\r\nNETTYPE=1\r\nIP=10.0.0.1\r\nMINE=x\r\n[LISTSENS]\r\n");
    for (int i = 0; i < Devices; ++i)
        file += "NAME" + QByteArray::number(i) + "=Caf\xC3\xA9 " + QByteArray::number(i) + "\r\nIPADDR" +
                QByteArray::number(i) + "=10.0." + QByteArray::number(i / 256) + '.' +
                QByteArray::number(i % 256) + "\r\n";
    file += "[OTHER]\r\nK=v\r\n";
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return 1;
    }

    std::vector<double> loads, saves;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        IniFile ini;
        ini.load(path);
        const AppSettings settings = readSettings(ini);
        loads.push_back(clock.nsecsElapsed() / 1e9);
        if (settings.devices.size() != std::size_t(Devices)) {
            std::printf("read %zu devices, expected %d\n", settings.devices.size(), Devices);
            return 1;
        }
        clock.restart();
        writeSettings(ini, settings);
        if (!ini.save(path))
            return 1;
        saves.push_back(clock.nsecsElapsed() / 1e9);
    }
    std::printf("%d devices: load %.3f s, save %.3f s (median of %d)\n", Devices, median(loads),
                median(saves), Runs);
    return 0;
}
