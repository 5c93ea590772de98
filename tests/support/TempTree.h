// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A real temporary folder for a test, removed with everything below it.
class TempTree
{
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree &) = delete;
    TempTree &operator=(const TempTree &) = delete;

    const std::string &root() const { return root_; }
    std::string path(const std::string &relative) const { return root_ + "/" + relative; }

    // Writes a file (creating its folders); returns its full path.
    std::string write(const std::string &relative, const std::string &content);
    // The same bytes at every path: copies, each a file of its own.
    void writeCopies(const std::string &content, const std::vector<std::string> &relatives);
    // Writes `size` zero bytes as data, not as a hole, so reading them costs
    // what reading any data costs.
    std::string writeZeros(const std::string &relative, std::int64_t size);
    // Sets a file's modification time, seconds since the epoch.
    void setTime(const std::string &relative, std::int64_t seconds);
    void setTimes(const std::vector<std::string> &relatives, std::int64_t seconds);
    std::string mkdir(const std::string &relative);
    void symlink(const std::string &target, const std::string &relative);
    void hardlink(const std::string &existing, const std::string &relative);
    void fifo(const std::string &relative);
    std::string read(const std::string &relative) const;
    // `groups` pairs of copies in `folder`, each pair its own size ("<g>-x.bin"
    // older than "<g>-y.bin"), so that a scan yields rows for a while.
    void writePairs(const std::string &folder, int groups);
    // A file below 200-byte folders, made one level at a time, whose full path
    // is longer than `longerThan`; calls with the same bound share the folders.
    std::string writeDeep(const std::string &name, const std::string &content, std::size_t longerThan);

private:
    std::string root_;
};

// Whether anything (a link included) stands at the path.
bool PathExists(const std::string &path);
// The paths of the names a step that did not finish leaves, in the folder
// and below it.
std::vector<std::string> InTransitNamesBelow(const std::string &folder);
// A whole file's bytes by its full path; empty when it cannot be read.
std::string FileContent(const std::string &path);
