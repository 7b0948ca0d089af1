#pragma once

#include <QString>

class TForm1;

namespace history {
class HistoryView;
}

// The "Site" tab, the fifth: every controller of the address book at a glance, read side by side
// every `[SITE] PERIOD` seconds of the settings file in `folder`. Every reading goes to the
// history of `view` (when there is one), and its faults give its alerts. A double-click makes a
// controller the active one and shows its panel, reloaded.
void createSite(TForm1 *main, const QString &folder, history::HistoryView *view);
