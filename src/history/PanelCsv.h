#pragma once

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <vector>

struct ControllerModel;

namespace history {

struct CsvTable
{
    QStringList header;
    QList<QStringList> rows;
};

// The units at `addresses`, in that order, as a spreadsheet can use them: the
// address, the name, mode and fan in words of `texts`, set and room temperature
// as plain numbers in °C, the fault codes ("E3 PA"), the controller they were
// read from and `readAt` in ISO 8601 with its offset (empty when not known).
// Headings in the language `lang`, the panel's own ones where it has them.
CsvTable panelTable(const ControllerModel &model, const std::vector<int> &addresses, const QStringList &texts,
                    int lang, const QDateTime &readAt);

} // namespace history
