#pragma once

#include "session/ControllerModel.h"
#include "session/UnitWrite.h"

#include <QString>

#include <vector>

// What the commands print: the panel's texts in the loaded language, or JSON
// whose keys and words are the same in every language.
namespace output {

QString units(const ControllerModel &model, const std::vector<int> &addresses, bool json);
// What a write did, a unit a line ("Lobby (2): settings applied"); in JSON each unit as read
// back, with "write": {part: {"outcome", "reason"}}.
QString written(const ControllerModel &model, const WriteReport &report, bool json);
QString schedule(int unit, const std::vector<TprogRecord> &entries, bool json);
QString module(const netmodule::NetworkSettings &settings, bool json);

} // namespace output
