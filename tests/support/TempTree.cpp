// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "tests/support/TempTree.h"

#include "platform/TransitNames.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempTree::TempTree()
{
    std::string pattern = (fs::temp_directory_path() / "varnok-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
}

TempTree::~TempTree()
{
    std::error_code ec;
    // Tests may take permissions away; give them back so removal works.
    for (auto it = fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            ::chmod(it->path().c_str(), 0755);
    ::chmod(root_.c_str(), 0755);
    fs::remove_all(root_, ec);
}

std::string TempTree::write(const std::string &relative, const std::string &content)
{
    const fs::path p = path(relative);
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), std::streamsize(content.size()));
    if (!out)
        throw std::runtime_error("cannot write " + p.string());
    return p.string();
}

void TempTree::writeCopies(const std::string &content, const std::vector<std::string> &relatives)
{
    for (const std::string &relative : relatives)
        write(relative, content);
}

std::string TempTree::writeZeros(const std::string &relative, std::int64_t size)
{
    const std::string p = write(relative, "");
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    const std::string block(1 << 20, '\0');
    for (std::int64_t left = size; left > 0; left -= std::int64_t(block.size()))
        out.write(block.data(), std::streamsize(std::min<std::int64_t>(left, std::int64_t(block.size()))));
    if (!out)
        throw std::runtime_error("cannot write " + p);
    return p;
}

void TempTree::setTime(const std::string &relative, std::int64_t seconds)
{
    struct timeval times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    if (::lutimes(path(relative).c_str(), times) != 0)
        throw std::runtime_error("lutimes failed");
}

void TempTree::setTimes(const std::vector<std::string> &relatives, std::int64_t seconds)
{
    for (const std::string &relative : relatives)
        setTime(relative, seconds);
}

std::string TempTree::mkdir(const std::string &relative)
{
    fs::create_directories(path(relative));
    return path(relative);
}

void TempTree::symlink(const std::string &target, const std::string &relative)
{
    fs::create_directories(fs::path(path(relative)).parent_path());
    fs::create_symlink(target, path(relative));
}

void TempTree::hardlink(const std::string &existing, const std::string &relative)
{
    fs::create_hard_link(path(existing), path(relative));
}

void TempTree::fifo(const std::string &relative)
{
    fs::create_directories(fs::path(path(relative)).parent_path());
    if (::mkfifo(path(relative).c_str(), 0644) != 0)
        throw std::runtime_error("mkfifo failed");
}

std::string TempTree::read(const std::string &relative) const
{
    return FileContent(path(relative));
}

void TempTree::writePairs(const std::string &folder, int groups)
{
    for (int g = 0; g < groups; ++g) {
        const std::string content(std::size_t(g + 1), char('a' + g % 26));
        const std::string name = folder + "/" + std::to_string(g);
        write(name + "-x.bin", content);
        write(name + "-y.bin", content);
        setTime(name + "-x.bin", 1000000000);
    }
}

std::string TempTree::writeDeep(const std::string &name, const std::string &content, std::size_t longerThan)
{
    // The kernel refuses such paths in one call, so each step is relative.
    const std::string folder(200, 'd');
    std::string path = root_;
    int fd = ::open(root_.c_str(), O_PATH | O_DIRECTORY);
    while (fd >= 0 && path.size() + name.size() < longerThan) {
        ::mkdirat(fd, folder.c_str(), 0755);
        const int next = ::openat(fd, folder.c_str(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
        path += "/" + folder;
    }
    const int file = fd < 0 ? -1 : ::openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = file >= 0 && ::write(file, content.data(), content.size()) == ssize_t(content.size());
    if (file >= 0)
        ::close(file);
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw std::runtime_error("cannot write deep file " + name);
    return path + "/" + name;
}

bool PathExists(const std::string &path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> InTransitNamesBelow(const std::string &folder)
{
    std::vector<std::string> found;
    for (const auto &entry : fs::recursive_directory_iterator(folder))
        if (IsInTransitName(entry.path().filename().string()))
            found.push_back(entry.path().string());
    return found;
}

std::string FileContent(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
