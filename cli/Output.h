#pragma once

#include "Arguments.h"
#include "session/ControllerModel.h"
#include "session/UnitWrite.h"

#include <QString>

#include <utility>
#include <vector>

// What the commands print: the panel's texts in the loaded language, JSON, or tab-separated
// words; JSON keys and words (and --tsv's) are the same in every language. Texts that came
// from a device are shown with their control characters escaped.
namespace output {

QString units(const ControllerModel &model, const std::vector<int> &addresses, Form form);
// What a write did, a unit a line ("Lobby (2): settings applied"); in JSON each unit as read
// back, with "write": {part: {"outcome", "reason"}}.
QString written(const ControllerModel &model, const WriteReport &report, Form form);
QString schedule(int unit, const std::vector<TprogRecord> &entries, Form form);
QString module(const netmodule::NetworkSettings &settings, Form form);
QString book(const QString &path, const std::vector<std::pair<QString, QString>> &devices, Form form);

// Writes `text` whole to standard output; false, with errno set, when it could not.
bool toStdout(const QString &text);

} // namespace output
