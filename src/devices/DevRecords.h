#pragma once

#include "link/Records.h"

#include <QString>

// One device of the address book or of a search.
struct TdevRecord
{
    QString pktcode; // kept empty
    QString ipdev;   // dotted decimal address, the key
    QString name;
    bool active = false; // kept false
};

class TdevRecordList final : public OwningList<TdevRecord>
{
public:
    using OwningList::Add;
    int Add(const QString &ip, const QString &name)
    {
        auto record = std::make_unique<TdevRecord>();
        record->ipdev = ip;
        record->name = name;
        return Add(std::move(record));
    }
};

// Renames every entry whose address is `ip` (exact text), or appends a new one
// and counts it in `newdevfind`.
inline void addDevice(TdevRecordList &list, const QString &ip, const QString &name, int &newdevfind)
{
    bool matched = false;
    for (const auto &device : list) {
        if (device->ipdev == ip) {
            device->name = name;
            matched = true;
        }
    }
    if (!matched) {
        list.Add(ip, name);
        ++newdevfind;
    }
}
