#pragma once

#include <QDir>
#include <QTemporaryDir>

// The folder of a target's own files, empty but for what the target writes.
// Saving syncs a file to disk: on a memory file system that costs nothing.
inline const QTemporaryDir &fuzzFolder()
{
    static const QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                       ? QStringLiteral("/dev/shm/brezzano-fuzz-XXXXXX")
                                       : QDir::tempPath() + QStringLiteral("/brezzano-fuzz-XXXXXX"));
    return dir;
}
