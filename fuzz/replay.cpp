// Replays a fuzz target's corpus without fuzzing: every file under the
// folders given, in name order, through the target once.
#include "Check.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// The input that stopped the replay, named on the way out.
char current[4096];

void nameInput(int signal)
{
    std::fprintf(stderr, "replay stopped by signal %d on %s\n", signal, current);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    files.sort();
    if (files.isEmpty()) {
        std::fprintf(stderr, "no corpus files found\n");
        return 1;
    }
    std::signal(SIGABRT, nameInput);
    std::signal(SIGSEGV, nameInput);
    for (const QString &path : files) {
        std::strncpy(current, qPrintable(path), sizeof current - 1);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                               std::size_t(bytes.size()));
    }
    std::printf("%lld inputs replayed\n", static_cast<long long>(files.size()));
    return 0;
}
