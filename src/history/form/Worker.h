#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <utility>

namespace history {

// Runs `work` (a read of the history file on a connection of its own) in a thread of its own at low
// priority, then `done` with its result on the window's thread, unless `owner` is gone by then.
template <typename Work, typename Done> void inWorker(QObject *owner, Work work, Done done)
{
    const QPointer<QObject> alive(owner);
    QThread *worker = QThread::create([alive, work = std::move(work), done = std::move(done)] {
        auto result = work();
        QMetaObject::invokeMethod(qApp, [alive, done, result = std::move(result)] {
            if (alive)
                done(result);
        });
    });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}

} // namespace history
