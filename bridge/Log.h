#pragma once

#include <QString>

// The daemon's log: one line per event on standard error, with the priority
// prefix the journal reads ("<6>" information, "<4>" warning, "<3>" error).
namespace bridge {

void logInfo(const QString &line);
void logWarning(const QString &line);
void logError(const QString &line);
// Qt's own messages go the same way.
void installLogHandler();

} // namespace bridge
