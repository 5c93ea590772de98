// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT

// Sends many files of one name to the trash, one after another, through the
// program's own deletion, and prints how long the trashing took.
#include "actions/FileDeletion.h"
#include "boundary/ScanBoundary.h"
#include "platform/FileStatus.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct Figures {
    int refused = 0;
    double seconds = 0;
};

// `count` files, all named cover.jpg, each made where the last one was and
// trashed at once; only the trashing is timed.
Figures TrashOneName(const fs::path &work, int count)
{
    fs::create_directories(work / "photos");
    ::setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    const std::string path = (work / "photos" / "cover.jpg").string();
    Figures figures;
    ScanBoundary boundary; // one per run, as the window's deletions have
    const RemovalChecks checks{&boundary, {}, {}, {}};
    for (int k = 0; k < count; ++k) {
        std::ofstream(path) << k;
        const FileIdentity seen = StatPathNoFollow(path).identity;
        const auto start = std::chrono::steady_clock::now();
        const RemovalOutcome outcome = ShellDeleteFile(path, seen, true, checks);
        figures.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (outcome != RemovalOutcome::Removed)
            ++figures.refused;
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    fs::path folder;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc)
            folder = argv[++i];
        else if (std::atoi(argv[i]) > 0)
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty()) {
        std::fprintf(stderr, "usage: trash-bench [--folder DIR] COUNT...\n");
        return 2;
    }
    for (int count : counts) {
        // Without a folder given, each count starts with an empty trash of its own.
        fs::path work = folder;
        if (work.empty()) {
            std::string pattern = (fs::temp_directory_path() / "trash-bench-XXXXXX").string();
            if (!::mkdtemp(pattern.data()))
                return 1;
            work = pattern;
        }
        const Figures f = TrashOneName(work, count);
        std::printf("files=%d refused=%d seconds=%.3f us_per_file=%.1f\n", count, f.refused, f.seconds,
                    f.seconds * 1e6 / count);
        std::fflush(stdout);
        if (folder.empty())
            fs::remove_all(work);
    }
    return 0;
}
