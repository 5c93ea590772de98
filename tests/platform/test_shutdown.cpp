// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The end of the program while a thread of a scan is stuck (ProcessShutdown).
#include "engine/uScanThread_Short.h"
#include "platform/ProcessShutdown.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/StuckHost.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{

constexpr int kExitCode = 7;

// Waits for a child process; kills it when it has not ended after a minute.
// Its exit status, or -1 when it had to be killed or did not exit normally.
int ExitStatusOf(pid_t child)
{
    int status = 0;
    for (int turn = 0; turn < 60000; ++turn) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(1ms);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return -1;
}

} // namespace

TEST(Shutdown, EndsTheProcessWhenTheScanThreadIsStuck)
{
    TempTree tree;
    tree.writeCopies("same", {"a.txt", "b.txt"});
    const std::string output = tree.path("stdout");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0)
            ::_exit(2);
        RecordingHost recording;
        StuckHost stuck(recording);
        {
            TScanThread_Short job(stuck, {tree.root()});
            while (!stuck.holdsThread())
                std::this_thread::sleep_for(1ms);
            job.Abort();
            std::printf("still buffered"); // a file: fully buffered, not yet written
            EndProcessUnlessFinished([&job] { return job.Finished(); }, 200ms, kExitCode);
        } // had it come back, this would wait for the stuck thread for ever
        ::_exit(3);
    }
    EXPECT_EQ(ExitStatusOf(child), kExitCode);
    EXPECT_EQ(FileContent(output), "still buffered");
}

TEST(Shutdown, ReturnsOnceTheScanHasEnded)
{
    TempTree tree;
    tree.writeCopies("same", {"a.txt", "b.txt"});
    RecordingHost recording;
    StuckHost stuck(recording);
    TScanThread_Short job(stuck, {tree.root()});
    while (!stuck.holdsThread())
        std::this_thread::sleep_for(1ms);
    job.Abort();
    stuck.release();
    EndProcessUnlessFinished([&job] { return job.Finished(); }, 60s, kExitCode);
    EXPECT_TRUE(job.Finished());
    EXPECT_EQ(recording.summaries, 0);
}
