// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "actions/ActionFile.h"
#include "actions/ActionTally.h"
#include "actions/FileAction.h"
#include "engine/ProtectedFolderList.h"
#include "engine/WorkerThreads.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct SystemTree;

// What became of one file: its place among the files the run was given.
struct ActionOutcome {
    std::size_t file = 0;
    FileVerdict verdict;
};

// What the owner takes from a run at one time.
struct ActionBatch {
    std::vector<ActionOutcome> outcomes; // in the order the files were handled
    ActionTally tally;                   // of the run so far; the run's own when `finished`
    std::size_t handled = 0;             // files whose outcome was handed over, these included
    std::size_t total = 0;               // files the run acts on
    bool finished = false;               // the run's last batch: nothing more comes
};

// Runs one action (deleting, sharing storage, linking) over the chosen files
// on a thread of its own, so that a file on a stalled share never holds up
// its owner. The outcomes wait in the runner until the owner takes them, as
// one batch, on its own thread; the tally is kept as they are taken, so
// whatever the owner has taken and the tally agree whenever the run ends.
// A file the owner judged to be in a protected folder is not handed to the
// action; it is counted apart. Each run knows which copies of a group it
// leaves (KeptCopyGuard). Every call but the wake is the owner's, from one
// thread.
class ActionRunner
{
public:
    using Clock = std::chrono::steady_clock;
    // How often an owner that shows the outcomes as they come takes them.
    static constexpr std::chrono::milliseconds kBatchInterval{20};
    // How long after Stop a file in hand is waited for before the run is given up.
    static constexpr std::chrono::milliseconds kStopWait{500};

    ActionRunner() = default;
    ~ActionRunner();
    ActionRunner(const ActionRunner &) = delete;
    ActionRunner &operator=(const ActionRunner &) = delete;

    // Called on the run's thread when outcomes begin to wait, once per batch
    // taken, never after the run was given up or let go: the owner arranges
    // for take() on its own thread. It must return promptly.
    void setWake(std::function<void()> wake) { wake_ = std::move(wake); }
    // The system trees the runs' boundary knows, instead of this machine's.
    void setSystemTrees(std::vector<SystemTree> trees);
    // The folders protected for the runs started from now on. A file in one
    // is never handed to the action when its description says so, and is
    // asked again by its folder at the moment it would change.
    void setProtectedFolders(std::shared_ptr<const ProtectedFolderList> folders) { protected_ = std::move(folders); }

    // Starts the action on the chosen files, the last one first; `files`
    // holds every member of their groups in list order (see ActionFile).
    // False, and nothing started, when none is chosen.
    bool start(std::vector<ActionFile> files, std::unique_ptr<FileAction> action);
    bool isRunning() const { return run_ != nullptr; }
    // Ends the run after the file in hand. When that file has not come back
    // within kStopWait, the take() after it gives the run up: the file counts
    // as left, and what its thread does later is never told.
    void stop();
    // The outcomes come since the last take, and the tally so far.
    ActionBatch take();
    // Waits until take() has something to give, at most `most`; whether it has.
    bool waitForOutcomes(std::chrono::milliseconds most);
    // When take() gives the run up, after a Stop; none before one.
    std::optional<Clock::time_point> giveUpAt() const;
    // Ends at once without a last batch (the owner is going): the outcomes
    // come so far are given, and the file in hand may still finish, unseen.
    ActionBatch abandon();
    // Whether the threads of every run, given up ones too, have returned.
    bool workersEnded() const;

private:
    struct Run;
    static void work(Run &run) noexcept;
    bool gathered(ActionBatch &batch);
    void letGo();

    std::function<void()> wake_;
    std::shared_ptr<const std::vector<SystemTree>> trees_; // none: this machine's
    std::shared_ptr<const ProtectedFolderList> protected_;
    std::shared_ptr<Run> run_;            // the run in hand
    std::vector<LeavableThread> threads_; // of every run, given up ones too
    std::optional<Clock::time_point> stoppedAt_;
    std::size_t handled_ = 0; // files of the run whose outcome was taken
    ActionTally tally_;
};
