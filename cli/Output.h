#pragma once

#include "link/ControllerModel.h"

#include <QString>

#include <vector>

// What the commands print: the panel's texts in the loaded language, or JSON
// whose keys and words are the same in every language.
namespace output {

QString units(const ControllerModel &model, const std::vector<int> &addresses, bool json);
QString schedule(int unit, const std::vector<TprogRecord> &entries, bool json);
QString module(const netmodule::NetworkSettings &settings, bool json);

} // namespace output
