// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

// Watches the window thread's event loop with a 1 ms timer and keeps its
// longest pause between two turns. The time the thread stood ready while the
// system ran others is taken out (the kernel's run-queue wait for it), so a
// busy machine does not pass for a blocked window: what remains is time the
// thread spent working or waiting in a call.
class EventLoopWatch
{
public:
    EventLoopWatch() : schedstat_("/proc/self/task/" + std::to_string(::syscall(SYS_gettid)) + "/schedstat")
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { turn(); });
        clock_.start();
        lastWait_ = runQueueWaitNs();
        timer_.start(1);
    }
    double worstMs() const { return double(worstNs_) / 1e6; }

private:
    void turn()
    {
        const qint64 now = clock_.nsecsElapsed(), wait = runQueueWaitNs();
        worstNs_ = std::max(worstNs_, (now - lastNs_) - (wait - lastWait_));
        lastNs_ = now;
        lastWait_ = wait;
    }
    qint64 runQueueWaitNs() const
    {
        long long running = 0, waiting = 0;
        if (FILE *file = std::fopen(schedstat_.c_str(), "r")) {
            if (std::fscanf(file, "%lld %lld", &running, &waiting) != 2)
                waiting = 0;
            std::fclose(file);
        }
        return waiting;
    }

    std::string schedstat_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0, lastWait_ = 0, worstNs_ = 0;
};
