#pragma once

// Simulated controllers for the benches, answering from a few threads: one event loop
// watching hundreds of listening sockets spends its time polling them, and the program
// measured would wait on the bench rather than the bench on it.
#include "Server.h"

#include <QHostAddress>
#include <QThread>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class SimControllers
{
public:
    explicit SimControllers(int count)
    {
        const int workers = std::clamp(count / 100, 1, 8);
        for (int i = 0; i < workers; ++i) {
            threads.push_back(std::make_unique<QThread>());
            // Below everything else: the simulated controllers stand for devices elsewhere,
            // whose work must not show up as the measured program's.
            threads.back()->start(QThread::IdlePriority);
        }
    }
    ~SimControllers()
    {
        for (std::unique_ptr<sim::Server> &server : servers) {
            sim::Server *s = server.release();
            QMetaObject::invokeMethod(
                s, [s] { delete s; }, Qt::BlockingQueuedConnection);
        }
        for (std::unique_ptr<QThread> &thread : threads) {
            thread->quit();
            thread->wait();
        }
    }
    SimControllers(const SimControllers &) = delete;
    SimControllers &operator=(const SimControllers &) = delete;

    // False when the address is taken.
    bool add(const sim::Controller &c, const QString &host)
    {
        auto server = std::make_unique<sim::Server>(c);
        server->moveToThread(threads[servers.size() % threads.size()].get());
        bool ok = false;
        sim::Server *s = server.get();
        QMetaObject::invokeMethod(
            s, [s, host, &ok] { ok = s->listen(QHostAddress(host), 2000); }, Qt::BlockingQueuedConnection);
        servers.push_back(std::move(server));
        return ok;
    }
    sim::Server *operator[](size_t i) const { return servers[i].get(); }

    // `change` runs in the thread that answers for controller `i`.
    void inThreadOf(size_t i, std::function<void(sim::Server &)> change) const
    {
        sim::Server *s = servers[i].get();
        QMetaObject::invokeMethod(s, [s, change = std::move(change)] { change(*s); });
    }

private:
    std::vector<std::unique_ptr<QThread>> threads;
    std::vector<std::unique_ptr<sim::Server>> servers;
};
