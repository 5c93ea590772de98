// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// Runs one full scan job from the console, on the program's own code path,
// and prints what it found and what it cost. With --apply it then shares
// storage or links the checked copies of every group to its kept copy,
// deletes them to the trash or moves them into a folder, through the
// actions layer the window drives.
#include "actions/ActionRunner.h"
#include "actions/DeleteAction.h"
#include "actions/MoveAction.h"
#include "actions/ReclaimAction.h"
#include "engine/ChunkedArray.h"
#include "engine/ScanTexts.h"
#include "engine/uScanThread_Short.h"
#include "platform/OpenFileLimit.h"
#include "platform/ProcessShutdown.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <thread>
#include <vector>

namespace
{

class ConsoleHost : public ScanHost
{
public:
    explicit ConsoleHost(std::string filter) : filter_(std::move(filter)) { }
    std::string filterText() override { return filter_; }
    bool stopFlag() override { return stop_.load(); }
    std::int64_t totalBytes() override { return total_; }
    KeepRule keepRule() override { return KeepRule::CheckOlder; }
    std::shared_ptr<const ProtectedFolderList> protectedFolders() override { return protected_; }
    int progressPosition() override { return position_; }
    void setProgressPosition(int p) override { position_ = p < 0 ? 0 : (p > maximum_ ? maximum_ : p); }
    // The grouping stage opens by setting the bar's maximum.
    void setProgressMaximum(int m) override
    {
        maximum_ = m;
        groupingStarted_ = std::chrono::steady_clock::now();
    }
    void setElapsedText(const std::string &) override { }
    // Only what is printed is kept, as compactly as the list of a window
    // would keep it: a million rows must not weigh on the figures.
    void addResultRow(ResultRow row) override
    {
        rows_.push_back(
            {paths_.append(row.path), std::uint32_t(row.path.size()), row.group, row.checked, row.inProtectedFolder});
        if (keepIdentities_)
            identities_.push_back(row.identity);
    }
    void showSummary(const ScanSummary &summary) override
    {
        groups_ = summary.groups;
        notes_ = SummaryNotes(summary);
        if (summary.endedEarly)
            failure_ = EndedEarlyText(summary.failure);
    }

    std::atomic<bool> stop_{false};
    std::int64_t total_ = 0;
    struct Row {
        std::uint64_t path;
        std::uint32_t pathLength;
        int group;
        bool checked;
        bool inProtectedFolder;
        std::string_view pathIn(const ChunkedNames &paths) const { return paths.at(path, pathLength); }
    };
    ChunkedArray<Row> rows_;
    ChunkedNames paths_;
    bool keepIdentities_ = false;           // only what --apply needs is kept
    ChunkedArray<FileIdentity> identities_; // of each row, with --apply
    int groups_ = 0;
    std::shared_ptr<const ProtectedFolderList> protected_; // as the folder list's popup entry sets them
    std::string notes_;   // what the summary's further lines tell, each after a newline
    std::string failure_; // set when an error ended the scan early
    std::chrono::steady_clock::time_point walkStarted_, groupingStarted_;

private:
    std::string filter_;
    int position_ = 0;
    int maximum_ = 1000;
};

double secondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// User and system time of the whole process so far.
double ProcessCpuSeconds()
{
    struct rusage usage {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const struct timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Applied {
    int changed = 0;
    int left = 0;
    std::int64_t released = 0;
    bool releasedAtMost = false;
};

// What --apply names: "share", "link", "trash" or "move:FOLDER"; none for
// anything else. `listed`: the folders the scan searched.
std::unique_ptr<FileAction> ActionNamed(const std::string &what, const std::vector<std::string> &listed)
{
    if (what == "share" || what == "link")
        return std::make_unique<ReclaimAction>(what == "share" ? ReclaimKind::ShareStorage : ReclaimKind::HardLink);
    if (what == "trash")
        return std::make_unique<DeleteAction>(true);
    if (what.starts_with("move:") && what.size() > 5)
        return std::make_unique<MoveAction>(MoveDestination(what.substr(5), listed));
    return nullptr;
}

// Applies the action to the checked rows of each group, through the runner
// the window uses: the reclaim actions join each with the group's first
// unchecked row, and leave a group with no unchecked row whole.
Applied ApplyToGroups(const ConsoleHost &host, std::unique_ptr<FileAction> action,
                      const std::vector<std::string> &protectedPaths)
{
    std::vector<ActionFile> files;
    files.reserve(host.rows_.size());
    int chosen = 0;
    for (std::size_t r = 0; r < host.rows_.size(); ++r) {
        const ConsoleHost::Row &row = host.rows_[r];
        files.push_back(
            {std::string(row.pathIn(host.paths_)), host.identities_[r], row.group, row.inProtectedFolder, row.checked});
        chosen += row.checked ? 1 : 0;
    }
    ActionRunner runner;
    if (!protectedPaths.empty())
        runner.setProtectedFolders(std::make_shared<const ProtectedFolderList>(ProtectedFolderList{1, protectedPaths}));
    Applied applied;
    if (!runner.start(std::move(files), std::move(action)))
        return applied;
    // Taken as the window takes them: a batch interval after the first
    // outcome of a batch arrived.
    ActionBatch batch;
    while (!batch.finished) {
        if (runner.waitForOutcomes(ActionRunner::kBatchInterval))
            std::this_thread::sleep_for(ActionRunner::kBatchInterval);
        batch = runner.take();
    }
    applied.changed = batch.tally.done;
    applied.left = chosen - batch.tally.done;
    applied.released = batch.tally.releasedBytes;
    applied.releasedAtMost = batch.tally.releasedAtMost;
    return applied;
}

// What the command line asks for.
struct Settings {
    bool printGroups = false;
    bool printMarks = false;
    bool printProfiles = false;
    std::string filter = "*.*";
    double stopAfter = -1;
    unsigned readers = 0;
    std::optional<bool> rotational;
    std::optional<std::string> apply; // as ActionNamed takes it
    std::vector<std::string> protectedFolders;
    std::vector<std::string> folders;

    // A protected folder is a listed one; named both ways it is listed once.
    static bool holds(const std::vector<std::string> &in, const std::string &folder)
    {
        return std::find(in.begin(), in.end(), folder) != in.end();
    }
    void addFolder(const std::string &folder)
    {
        if (!holds(protectedFolders, folder))
            folders.push_back(folder);
    }
    void addProtected(const std::string &folder)
    {
        protectedFolders.push_back(folder);
        if (!holds(folders, folder))
            folders.push_back(folder);
    }
};

bool ParseNumber(const char *text, double &number)
{
    char *end = nullptr;
    number = std::strtod(text, &end);
    return *text != 0 && *end == 0;
}

// One option: its name, what follows it (none for a switch), what it does,
// and how it is taken; false when the value is not one it takes.
struct Option {
    const char *name;
    const char *value;
    const char *help;
    bool (*take)(Settings &, const char *value);
};

constexpr Option kOptions[] = {
    {"--groups", nullptr, "print the path of every file of every group, a blank line after each group",
     [](Settings &s, const char *) { return s.printGroups = true; }},
    {"--marks", nullptr, "with --groups, put [x] or [ ] before each path: its check mark as the window sets it",
     [](Settings &s, const char *) { return s.printMarks = true; }},
    {"--filter", "TEXT", "the masks of the file types to search, such as \"*.jpg;*.png;\" (default \"*.*\")",
     [](Settings &s, const char *v) {
         s.filter = v;
         return true;
     }},
    {"--stop-after", "SECONDS", "press Stop after that long, as a user would",
     [](Settings &s, const char *v) { return ParseNumber(v, s.stopAfter) && s.stopAfter >= 0; }},
    {"--readers", "N", "compare the contents with N reading threads (0, the default: as the storage suits)",
     [](Settings &s, const char *v) {
         double n = 0;
         if (!ParseNumber(v, n) || n < 0 || n > 1024 || n != double(unsigned(n)))
             return false;
         s.readers = unsigned(n);
         return true;
     }},
    {"--rotational", nullptr, "read every folder as a spinning disk",
     [](Settings &s, const char *) {
         s.rotational = true;
         return true;
     }},
    {"--not-rotational", nullptr, "read every folder as solid-state storage",
     [](Settings &s, const char *) {
         s.rotational = false;
         return true;
     }},
    {"--profile", nullptr, "print how each device is read",
     [](Settings &s, const char *) { return s.printProfiles = true; }},
    {"--protect", "FOLDER", "list the folder and protect it: none of its files is checked",
     [](Settings &s, const char *v) {
         s.addProtected(v);
         return true;
     }},
    {"--apply", "share|link|trash|move:FOLDER",
     "then share storage with, or hard-link to, each group's kept copy, delete the checked copies to the trash, or "
     "move them into FOLDER",
     [](Settings &s, const char *v) {
         if (!ActionNamed(v, {}))
             return false;
         s.apply = v;
         return true;
     }},
};

void PrintUsage(std::FILE *to)
{
    std::fprintf(to,
                 "usage: varnok-bench [OPTION]... FOLDER...\n"
                 "Scans the folders as the window does and prints what it found and what it cost;\n"
                 "the last line reads groups=G files=F candidates=N bytes_read=B seconds=S.\n\n");
    for (const Option &option : kOptions) {
        const std::string name = std::string(option.name) + (option.value ? std::string(" ") + option.value : "");
        std::fprintf(to, "  %-22s %s\n", name.c_str(), option.help);
    }
    std::fprintf(to, "  %-22s %s\n  %-22s %s\n", "-h, --help", "print this and end", "--",
                 "what follows are folders, even when they begin with -");
}

// Fills the settings from the command line. -1 when the scan is to run;
// otherwise the exit status: 0 after --help, 2 after a mistake, named.
int ParseArguments(int argc, char **argv, Settings &settings)
{
    const auto fail = [](const std::string &what) {
        std::fprintf(stderr, "varnok-bench: %s\nTry 'varnok-bench --help'.\n", what.c_str());
        return 2;
    };
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            settings.addFolder(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        const Option *option = nullptr;
        for (const Option &known : kOptions)
            if (arg == known.name)
                option = &known;
        if (!option)
            return fail("unknown option " + arg);
        const char *value = nullptr;
        if (option->value) {
            if (i + 1 >= argc)
                return fail(arg + " needs a value: " + option->value);
            value = argv[++i];
        }
        if (!option->take(settings, value))
            return fail(arg + " takes " + option->value + ", not \"" + value + "\"");
    }
    if (settings.folders.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    Settings settings;
    if (const int status = ParseArguments(argc, argv, settings); status >= 0)
        return status;
    const std::vector<std::string> &folders = settings.folders;
    const std::vector<std::string> &protectedFolders = settings.protectedFolders;
    const std::optional<std::string> &apply = settings.apply;
    const std::optional<bool> &rotational = settings.rotational;
    const double stopAfter = settings.stopAfter;
    const bool printGroups = settings.printGroups, printMarks = settings.printMarks,
               printProfiles = settings.printProfiles;
    ConsoleHost host(settings.filter);
    RaiseOpenFileLimit();
    host.keepIdentities_ = apply.has_value();
    if (!protectedFolders.empty())
        host.protected_ = std::make_shared<const ProtectedFolderList>(ProtectedFolderList{1, protectedFolders});
    const auto start = std::chrono::steady_clock::now();
    TScanThread_Short job(host, folders, true, [&host](std::int64_t total) {
        host.total_ = total;
        host.walkStarted_ = std::chrono::steady_clock::now();
    });
    job.setReaderThreads(settings.readers);
    // A simulated spinning disk is served through a user-space file system,
    // which the job would read as a share.
    if (rotational)
        job.setRotationalStorage(*rotational);
    job.Start();
    // Presses Stop after the given time, as a user would, and notes when;
    // a job that has not ended a grace later is left behind, as the window
    // does, so the end is when the summary is known either way.
    const auto stopAt = start
        + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(stopAfter));
    std::chrono::steady_clock::time_point stopped;
    bool abandoned = false;
    // Without a Stop to press there is nothing to watch: the job is waited for.
    while (stopAfter >= 0 && !job.Finished() && !abandoned) {
        const auto now = std::chrono::steady_clock::now();
        if (stopAfter >= 0 && !host.stop_.load() && now >= stopAt) {
            stopped = now;
            host.stop_.store(true);
        }
        if (host.stop_.load() && now >= stopped + TScanThread_Short::kStopGrace)
            abandoned = job.Abandon();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    job.WaitFor();
    const auto end = std::chrono::steady_clock::now();
    if (abandoned) // cut off: the groups are those whose rows arrived
        host.groups_ = host.rows_.size() == 0 ? 0 : host.rows_.back().group;
    const double seconds = secondsBetween(start, end);
    // A stage a job left behind never reached took no time: it starts and
    // ends where the job was given up.
    const auto walkFrom = host.walkStarted_ == std::chrono::steady_clock::time_point{} ? end : host.walkStarted_;
    const auto groupingFrom
        = host.groupingStarted_ == std::chrono::steady_clock::time_point{} ? end : host.groupingStarted_;
    std::fprintf(stderr, "estimate=%.3f walk=%.3f grouping=%.3f\n", secondsBetween(start, walkFrom),
                 secondsBetween(walkFrom, groupingFrom), secondsBetween(groupingFrom, end));
    if (!host.notes_.empty()) // what was passed by, in the summary's words
        std::fprintf(stderr, "%s\n", host.notes_.c_str() + 1);

    if (printProfiles)
        for (const auto &[device, profile] : job.Profiles())
            std::fprintf(stderr, "device %u:%u %s\n", major(device), minor(device), DescribeProfile(profile).c_str());

    if (printGroups) {
        for (std::size_t r = 0; r < host.rows_.size(); ++r) {
            if (printMarks) // as the window would mark it
                std::fputs(host.rows_[r].checked ? "[x] " : "[ ] ", stdout);
            const std::string_view path = host.rows_[r].pathIn(host.paths_);
            std::fwrite(path.data(), 1, path.size(), stdout);
            std::fputc('\n', stdout);
            if (r + 1 == host.rows_.size() || host.rows_[r + 1].group != host.rows_[r].group)
                std::fputc('\n', stdout);
        }
    }
    if (host.stop_.load())
        std::printf("stop_latency=%.3f\n", secondsBetween(stopped, end));
    std::printf("groups=%d files=%zu candidates=%zu bytes_read=%llu seconds=%.3f\n", host.groups_, host.rows_.size(),
                job.Stats().candidates, static_cast<unsigned long long>(job.Stats().bytesRead.load()), seconds);
    if (abandoned)
        std::printf("abandoned=1\n");
    // Figures of a part must not pass for those of the whole.
    const int status = host.failure_.empty() ? 0 : 1;
    if (apply && status == 0 && !abandoned && !host.stop_.load()) {
        const auto from = std::chrono::steady_clock::now();
        const double cpuFrom = ProcessCpuSeconds();
        const Applied applied = ApplyToGroups(host, ActionNamed(*apply, folders), protectedFolders);
        std::fprintf(stderr, "apply_seconds=%.3f apply_cpu_seconds=%.3f\n",
                     secondsBetween(from, std::chrono::steady_clock::now()), ProcessCpuSeconds() - cpuFrom);
        std::printf("changed=%d released=%lld left=%d%s\n", applied.changed, static_cast<long long>(applied.released),
                    applied.left, applied.releasedAtMost ? " released_at_most=1" : "");
    }
    if (status)
        std::fprintf(stderr, "%s\n", host.failure_.c_str());
    // A job left behind may still be stuck: the process ends without it.
    EndProcessUnlessFinished([&job] { return job.Finished(); }, std::chrono::milliseconds(100), status);
    return status;
}
