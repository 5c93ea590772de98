// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FolderSize.h"
#include "DirectoryReader.h"
#include "FolderListing.h"
#include "PseudoFileSystems.h"
#include "TrashFolders.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

std::string parentOf(const std::string &path)
{
    return path.empty() || path.back() == '/' ? path + ".." : path + "/..";
}

// A folder waiting to be listed, opened relative to its parent so that no
// link on the way is ever followed.
struct PendingFolder {
    std::shared_ptr<DirectoryReader> parent;
    std::string name;
    std::uint64_t parentEntry = 0;
    std::uint64_t parentDevice = 0;
};

// Lists a tree on a few threads. Each directory's entries are recorded
// together, in listing order; which thread lists which directory only
// changes the directories' numbering, which nothing depends on.
class ParallelListing {
public:
    ParallelListing(FolderListing &listing, const std::function<bool()> &cancel) : listing_(listing), cancel_(cancel) {}

    // An error on any thread stops them all; once every one is joined it
    // reaches the caller.
    std::int64_t run(std::shared_ptr<DirectoryReader> root, std::uint64_t device)
    {
        listFolder(std::move(root), device, std::nullopt);
        {
            std::vector<std::jthread> threads;
            const unsigned n = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
            for (unsigned t = 0; t < n; ++t)
                threads.emplace_back([this] { work(); });
        }
        if (failure_)
            std::rethrow_exception(failure_);
        return total_.load();
    }

    bool cancelled() const { return failed_.load() || (cancel_ && cancel_()); }

private:
    void work()
    {
        try {
            listPending();
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!failure_)
                failure_ = std::current_exception();
            failed_.store(true);
            changed_.notify_all();
        }
    }

    void listPending()
    {
        for (;;) {
            PendingFolder next;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !pending_.empty() || busy_ == 0; });
                if (pending_.empty() || cancelled())
                    return;
                next = std::move(pending_.back());
                pending_.pop_back();
                ++busy_;
            }
            // Counted back down however the listing ends, so no thread waits forever.
            struct Done {
                ParallelListing &self;
                ~Done()
                {
                    {
                        std::lock_guard lock(self.mutex_);
                        --self.busy_;
                    }
                    self.changed_.notify_all();
                }
            } done{*this};
            auto dir = std::make_shared<DirectoryReader>();
            if (dir->openChild(*next.parent, next.name.c_str())) {
                next.parent.reset();
                const FileIdentity self = dir->status().identity;
                const std::uint64_t device = self.device;
                if ((device == next.parentDevice || !isPseudo(device, dir->fd())) && !trash_.contains(dir->fd(), self))
                    listFolder(std::move(dir), device, next.parentEntry);
            } else if (dir->unreadable()) {
                std::lock_guard lock(mutex_);
                listing_.countUnreadableFolder();
            }
        }
    }

    bool isPseudo(std::uint64_t device, int fd)
    {
        std::lock_guard lock(mutex_);
        return pseudo_.isPseudo(device, fd);
    }

    void listFolder(std::shared_ptr<DirectoryReader> dir, std::uint64_t device, std::optional<std::uint64_t> parentEntry)
    {
        std::vector<FolderListing::Entry> entries;
        std::vector<std::string> names;
        std::int64_t bytes = 0;
        DirectoryReader::Entry e;
        while (!cancelled() && dir->next(e)) {
            FolderListing::Entry rec;
            if (e.type == DirectoryReader::EntryType::Directory) {
                rec.kind = FileKind::Directory;
            } else if (e.type != DirectoryReader::EntryType::Other) {
                const PathStatus st = dir->statEntry(e.name);
                rec.kind = st.kind == FileKind::Missing ? FileKind::Other : st.kind;
                rec.identity = st.identity;
                if (st.kind == FileKind::Regular)
                    bytes += st.identity.size;
            }
            entries.push_back(rec);
            names.emplace_back(e.name);
        }
        total_ += bytes;
        std::lock_guard lock(mutex_);
        for (std::size_t k = 0; k < entries.size(); ++k) {
            entries[k].nameOffset = listing_.appendName(names[k]);
            entries[k].nameLength = std::uint32_t(names[k].size());
        }
        const std::uint32_t index = listing_.addDirectory(entries);
        if (parentEntry)
            listing_.setChild(*parentEntry, index);
        const std::uint64_t first = listing_.directory(index).firstEntry;
        // Pushed last to first so that a folder's subfolders are taken in order.
        for (std::size_t k = entries.size(); k-- > 0;)
            if (entries[k].kind == FileKind::Directory)
                pending_.push_back({dir, std::move(names[k]), first + k, device});
        changed_.notify_all();
    }

    FolderListing &listing_;
    const std::function<bool()> &cancel_;
    PseudoFileSystems pseudo_;
    TrashFolders trash_;
    std::atomic<std::int64_t> total_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<PendingFolder> pending_;
    int busy_ = 0;
    std::atomic<bool> failed_{false};
    std::exception_ptr failure_;
};

} // namespace

bool IsMountPoint(const std::string &path)
{
    struct stat self, parent;
    if (::stat(path.c_str(), &self) != 0 || ::stat(parentOf(path).c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::int64_t GetFolderSize(const std::string &path, const std::function<bool()> &cancel, FolderListing *listing)
{
    if (IsMountPoint(path)) {
        struct statvfs vfs;
        if (::statvfs(path.c_str(), &vfs) != 0)
            return -1;
        return std::int64_t(vfs.f_blocks - vfs.f_bfree) * std::int64_t(vfs.f_frsize);
    }
    auto dir = std::make_shared<DirectoryReader>();
    if (!dir->open(path))
        return -1;
    FolderListing local;
    FolderListing &target = listing ? *listing : local;
    target.clear();
    const std::uint64_t device = dir->status().identity.device;
    if (PseudoFileSystems().isPseudo(device, dir->fd()))
        return 0;
    ParallelListing lister(target, cancel);
    const std::int64_t total = lister.run(std::move(dir), device);
    if (lister.cancelled())
        target.clear(); // half a tree must not pass for the whole
    return total;
}
