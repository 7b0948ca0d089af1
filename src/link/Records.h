#pragma once

#include "link/Codes.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <memory>
#include <vector>

// An ordered list that owns its records: removing an entry, clearing the list
// and destroying it free them. Index 0 is the head (the oldest entry).
template <typename T> class OwningList
{
public:
    OwningList() = default;
    OwningList(const OwningList &) = delete;
    OwningList &operator=(const OwningList &) = delete;

    int Add(std::unique_ptr<T> value)
    {
        items.push_back(std::move(value));
        return int(items.size()) - 1;
    }
    T *Get(int index) const { return items.at(size_t(index)).get(); }
    int Count() const { return int(items.size()); }
    bool isEmpty() const { return items.empty(); }
    void Delete(int index) { items.erase(items.begin() + index); }
    void RemoveHead() { Delete(0); }
    void Clear() { items.clear(); }

    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }

protected:
    std::vector<std::unique_ptr<T>> items;
};

// One received packet.
struct TpktRecord
{
    int code = 0;
    int len = 0;     // payload bytes: the length field divided by 2, rounded down
    QByteArray data; // the payload bytes, data[0] first
};

class TpktRecordList final : public OwningList<TpktRecord>
{
public:
    using OwningList::Add;
    int Add(const TpktRecord &value) { return Add(std::make_unique<TpktRecord>(value)); }
};

struct RequestSources;

// What queued a task: a reload of the unit panel (and the requests its answers
// bring), the unit settings dialog, a device search visiting a device, a unit
// write (which steers its own requests), or anything else.
enum class TaskOrigin { Other, Reload, Setting, Search, Write };

// One queued task. `host` is empty until the task is bound to the link it was
// queued for; a stamped task never goes out to another device. A setting task
// carries the values it was queued with, so that a task left waiting for an
// unreachable device never sends what a later dialog shows.
struct TtaskRecord
{
    int code = 0;
    int addr = 0;
    QString host;
    std::shared_ptr<const RequestSources> values; // null: the values at sending time
    TaskOrigin origin = TaskOrigin::Other;
    bool carried = false; // already taken over to a new link once after the link was cut
};

class TtaskRecordList final : public OwningList<TtaskRecord>
{
public:
    using OwningList::Add;
    int Add(int task) { return Add_addr(task, 0); }
    int Add(Code task) { return Add(+task); }
    int Add_addr(Code task, int adr, std::shared_ptr<const RequestSources> values = {},
                 TaskOrigin origin = TaskOrigin::Other)
    {
        return Add_addr(+task, adr, std::move(values), origin);
    }
    int Add_addr(int task, int adr, std::shared_ptr<const RequestSources> values = {},
                 TaskOrigin origin = TaskOrigin::Other)
    {
        auto record = std::make_unique<TtaskRecord>();
        record->code = task;
        record->addr = adr;
        record->values = std::move(values);
        record->origin = origin;
        return Add(std::move(record));
    }
    bool has(TaskOrigin origin) const
    {
        return std::any_of(items.begin(), items.end(),
                           [origin](const auto &t) { return t->origin == origin; });
    }
    // Removes every task of `origin`.
    void removeAll(TaskOrigin origin)
    {
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [origin](const auto &t) { return t->origin == origin; }),
                    items.end());
    }
    // Moves the tasks from `from` on to the head, in their order: they go out next.
    void moveToHead(int from) { std::rotate(items.begin(), items.begin() + from, items.end()); }
    // Binds every task not yet bound to a host to `host`.
    void stampHost(const QString &host)
    {
        for (auto &task : items)
            if (task->host.isEmpty())
                task->host = host;
    }
};
