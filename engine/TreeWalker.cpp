// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/TreeWalker.h"
#include "engine/AdaptivePool.h"
#include "engine/FolderListing.h"
#include "engine/StorageProfiles.h"
#include "platform/DirectoryReader.h"
#include "platform/TransitNames.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace
{

// Descriptors of listed folders left open for the readers, up to a number:
// each is offered once the walk no longer needs it.
class KeptFolders
{
public:
    explicit KeptFolders(std::size_t most) : most_(most) { }
    void offer(std::uint32_t directory, DirectoryReader &reader)
    {
        std::lock_guard lock(mutex_);
        if (kept_.size() < most_)
            kept_.emplace_back(directory, FolderHandle(reader.release()));
    }
    std::vector<FolderListing::KeptFolder> take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(kept_, {});
    }
    // Descriptors run short: those kept go back, and no more are kept.
    void giveUp()
    {
        std::vector<FolderListing::KeptFolder> closing;
        {
            std::lock_guard lock(mutex_);
            most_ = 0;
            closing = std::exchange(kept_, {});
        }
    }

private:
    std::size_t most_;
    std::mutex mutex_;
    std::vector<FolderListing::KeptFolder> kept_;
};

// A folder's reader, and its number in the listing once it is recorded: the
// last part of the walk that needs it offers its descriptor to be kept.
struct ListedFolder {
    explicit ListedFolder(KeptFolders &k) : kept(k) { }
    ListedFolder(const ListedFolder &) = delete;
    ListedFolder &operator=(const ListedFolder &) = delete;
    ~ListedFolder()
    {
        if (directory != FolderListing::kNoDirectory && reader.fd() >= 0)
            kept.offer(directory, reader);
    }
    DirectoryReader reader;
    KeptFolders &kept;
    std::uint32_t directory = FolderListing::kNoDirectory;
};

// A folder waiting to be listed, opened relative to its parent so that no
// link on the way is ever followed.
struct PendingFolder {
    std::shared_ptr<ListedFolder> parent;
    std::string name;
    std::uint64_t parentEntry = 0;
    PathStatus parentStatus;
    FolderStanding parentStanding = FolderStanding::User;
};

// A listed folder whose entries' statuses are still to be read. Threads take
// them a slice at a time and in turn from every such folder: some file
// systems answer only one lookup at a time in a folder, so the requests in
// flight must spread over many folders.
struct FolderStatuses {
    std::shared_ptr<ListedFolder> dir;
    PathStatus status;
    FolderStanding standing = FolderStanding::User;
    std::vector<std::uint64_t> entries; // into the listing
    std::vector<std::string> names;
    std::size_t handedOut = 0;
    std::size_t unread = 0;   // handed out or not
    std::size_t inFlight = 0; // slices being read
};
struct StatusSlice {
    std::shared_ptr<FolderStatuses> folder;
    std::size_t begin = 0, end = 0;
};
constexpr std::size_t kMostPerSlice = 16;
// Slices of one folder read at once. Where a file system answers one lookup
// at a time in a folder, more would only queue there, and hold up Stop.
constexpr std::size_t kSlicesPerFolder = 4;
// Entries listed, or statuses read where answers come fast, between two
// looks at Stop.
constexpr std::size_t kAskStopEvery = 32;
// Folders read at once, per thread: enough to spread over, few enough that
// their descriptors stay within bounds however wide the tree.
constexpr std::size_t kOpenFoldersPerThread = 4;

} // namespace

// One walk's threads and the work they share.
class TreeWalker::Run
{
public:
    Run(FolderListing &listing, const std::function<bool()> &cancel, DepthControl::Range depth, ScanBoundary &boundary,
        bool inodeOrder, KeptFolders &kept)
        : listing_(listing), cancel_(cancel), boundary_(boundary), kept_(kept), depth_(depth), inodeOrder_(inodeOrder)
    {
    }

    std::int64_t run(std::shared_ptr<ListedFolder> root, FolderStanding standing)
    {
        AdaptivePool threads([this] { return depth_.depth(); }, depth_.most(), [this](unsigned t) { work(t); });
        pool_ = &threads;
        {
            // However the walk ends, its threads are told to stop and joined.
            struct JoinOnExit {
                Run &run;
                ~JoinOnExit() { run.stopAndJoin(); }
            } joinOnExit{*this};
            const PathStatus self = root->reader.status();
            listFolder(std::move(root), self, standing, std::nullopt);
            superviseThreads();
        }
        if (failure_)
            std::rethrow_exception(failure_);
        return total_.load();
    }

    bool cancelled() const { return failed_.load() || (cancel_ && cancel_()); }
    // What the boundary passed by below the top, for the summary.
    void countPassedBy()
    {
        std::array<std::uint64_t, kTransitKindCount> inTransit{};
        for (std::size_t kind = 0; kind < kTransitKindCount; ++kind)
            inTransit[kind] = inTransitFiles_[kind].load();
        listing_.countPassedBy(softwareFolders_.load(), inTransit);
    }
    // Whether the boundary kept the listing out of some folder below the top.
    bool passedBy() const { return passedBy_.load(); }

private:
    // What an entry is for the listing: a file gone meanwhile is no file, and
    // a file the boundary does not admit is none either.
    FileKind kindOf(const PathStatus &status, FolderStanding standing, const PathStatus &folder, std::string_view name)
    {
        if (status.kind != FileKind::Regular)
            return status.kind == FileKind::Missing ? FileKind::Other : status.kind;
        const PassedBy passed = ScanBoundary::fileStanding(standing, folder, name, status);
        if (passed == PassedBy::InTransit)
            ++inTransitFiles_[std::size_t(TransitKindOf(name))];
        return passed == PassedBy::Nothing ? FileKind::Regular : FileKind::Other;
    }

    // Until the walk is done: a thread more only when work waits for it.
    void superviseThreads()
    {
        std::unique_lock lock(mutex_);
        AdaptivePool::superviseUntil(
            lock, started_,
            [this] { pool_->adjust([this](std::size_t running) { return queued() > running - busy_; }); },
            [this] { return failed_ || (queued() == 0 && busy_ == 0) || cancelled(); });
    }
    void stopAndJoin()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            wakeAll();
        }
        pool_->join(); // without the lock: the threads still at work need it to end
        pool_ = nullptr;
    }

    std::size_t queued() const { return pending_.size() + unassigned_; }
    bool sliceReady() const
    {
        return std::any_of(statting_.begin(), statting_.end(),
                           [](const auto &f) { return f->inFlight < kSlicesPerFolder; });
    }
    bool hasWork() const { return !pending_.empty() || sliceReady(); }
    // Each thread is woken only for work there is: with many threads, a
    // broadcast per folder or slice would cost more than the work.
    void wake(std::size_t units)
    {
        for (std::size_t k = 0; k < std::min<std::size_t>(units, depth_.depth()); ++k)
            workers_.notify_one();
        if (pool_->started() < depth_.depth())
            started_.notify_one(); // another thread may be wanted
    }
    void wakeAll()
    {
        workers_.notify_all();
        pool_->wakeParked();
        started_.notify_all();
    }

    void work(unsigned thread)
    {
        try {
            listPending(thread);
        } catch (...) {
            std::lock_guard lock(mutex_);
            if (!failure_)
                failure_ = std::current_exception();
            failed_.store(true);
            wakeAll();
        }
    }

    // Threads numbered beyond the depth park while it is lower.
    void listPending(unsigned thread)
    {
        for (;;) {
            PendingFolder next;
            StatusSlice slice;
            {
                std::unique_lock lock(mutex_);
                for (;;) {
                    if (stopping_ || (!hasWork() && busy_ == 0) || cancelled())
                        return;
                    if (pool_->parks(lock, thread))
                        continue;
                    if (!hasWork())
                        workers_.wait(lock);
                    else
                        break;
                }
                if (!pending_.empty() && (!sliceReady() || openFolders_ < kOpenFoldersPerThread * depth_.depth())) {
                    next = std::move(pending_.back());
                    pending_.pop_back();
                } else {
                    slice = takeSlice();
                }
                ++busy_;
            }
            // Counted back down however the listing ends, so no thread waits forever.
            struct Done {
                Run &self;
                ~Done()
                {
                    std::lock_guard lock(self.mutex_);
                    if (--self.busy_ == 0 && !self.hasWork())
                        self.wakeAll(); // all done: every thread may end
                }
            } done{*this};
            if (slice.folder) {
                readStatuses(slice);
                continue;
            }
            auto dir = std::make_shared<ListedFolder>(kept_);
            if (dir->reader.openChild(next.parent->reader, next.name.c_str(), [this] { kept_.giveUp(); })) {
                next.parent.reset();
                const PathStatus self = dir->reader.status();
                PassedBy why = PassedBy::Nothing;
                const FolderStanding standing = boundary_.subfolder(next.parentStanding, next.parentStatus,
                                                                    next.name.c_str(), dir->reader.fd(), self, &why);
                if (standing != FolderStanding::System)
                    listFolder(std::move(dir), self, standing, next.parentEntry);
                else if (why == PassedBy::Software)
                    ++softwareFolders_;
                if (standing != FolderStanding::User)
                    passedBy_ = true;
            } else if (dir->reader.unreadable()) {
                std::lock_guard lock(mutex_);
                listing_.countUnreadableFolder();
            }
        }
    }

    // Records a folder's entries at once, with the kinds the listing tells;
    // on slow storage their statuses follow, read in slices. Takes the reader
    // over, so that its descriptor closes on return unless a subfolder or a
    // slice of statuses still needs it.
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    void listFolder(std::shared_ptr<ListedFolder> dir, const PathStatus &self, FolderStanding standing,
                    std::optional<std::uint64_t> parentEntry)
    {
        std::vector<FolderListing::Entry> entries;
        std::string pool; // the names one after another, each ended by a NUL: one allocation, not one a name
        std::vector<std::size_t> nameAt;
        std::vector<std::size_t> unstated;
        std::vector<std::uint64_t> inodes;
        DirectoryReader::Entry e;
        FolderMarks marks;
        // Stop is asked of now and then: the entries come from memory, a batch a call.
        for (std::size_t n = 0; (n % kAskStopEvery != 0 || !cancelled()) && dir->reader.next(e); ++n) {
            marks.note(e.name, e.type);
            FolderListing::Entry rec;
            if (e.type == DirectoryReader::EntryType::Directory)
                rec.kind = FileKind::Directory;
            else if (e.type == DirectoryReader::EntryType::Unknown
                     || (e.type == DirectoryReader::EntryType::Regular && standing == FolderStanding::User))
                unstated.push_back(entries.size()); // a way through's files are never candidates: not even read
            entries.push_back(rec);
            nameAt.push_back(pool.size());
            pool.append(e.name).push_back('\0');
            inodes.push_back(e.inode);
        }
        std::vector<std::string_view> names(entries.size());
        for (std::size_t k = 0; k < names.size(); ++k)
            names[k] = std::string_view(pool.data() + nameAt[k],
                                        (k + 1 < names.size() ? nameAt[k + 1] : pool.size()) - nameAt[k] - 1);
        // Installed software and repository stores are known by what they
        // hold: passed by whole, nothing of them recorded.
        if (const PassedBy mark = ScanBoundary::markedBy(marks, dir->reader.fd()); mark != PassedBy::Nothing) {
            if (mark == PassedBy::Software)
                ++softwareFolders_;
            passedBy_ = true;
            return;
        }
        // Stable: entries the listing gives no inode keep their order.
        if (inodeOrder_)
            std::stable_sort(unstated.begin(), unstated.end(),
                             [&](std::size_t a, std::size_t b) { return inodes[a] < inodes[b]; });
        // Where answers come fast, the thread that listed a folder reads its
        // statuses itself: handing them to others would cost more than the reads.
        if (depth_.depth() <= depth_.least()) {
            std::int64_t bytes = 0;
            const auto started = depth_.now();
            for (std::size_t n = 0; n < unstated.size(); ++n) {
                if (n % kAskStopEvery == 0 && cancelled())
                    break;
                const std::size_t k = unstated[n];
                const PathStatus status = dir->reader.statEntry(names[k].data());
                entries[k].kind = kindOf(status, standing, self, names[k]);
                entries[k].identity = status.identity;
                entries[k].owner = status.owner;
                if (entries[k].kind == FileKind::Regular)
                    bytes += status.identity.size;
            }
            depth_.record(depth_.now() - started, unstated.size());
            unstated.clear();
            total_ += bytes;
        }
        std::lock_guard lock(mutex_);
        const std::uint32_t index = listing_.addDirectory(entries, names, self.identity.device);
        dir->directory = index;
        if (parentEntry)
            listing_.setChild(*parentEntry, index);
        const std::uint64_t first = listing_.directory(index).firstEntry;
        // Pushed last to first so that a folder's subfolders are taken in order.
        const std::size_t pendingBefore = pending_.size();
        for (std::size_t k = entries.size(); k-- > 0;)
            if (entries[k].kind == FileKind::Directory)
                pending_.push_back({dir, std::string(names[k]), first + k, self, standing});
        wake(pending_.size() - pendingBefore + std::min(unstated.size(), kSlicesPerFolder));
        if (!unstated.empty()) {
            auto statuses = std::make_shared<FolderStatuses>();
            *statuses = {dir, self, standing, {}, {}, 0, unstated.size()};
            for (std::size_t k : unstated) {
                statuses->entries.push_back(first + k);
                statuses->names.emplace_back(names[k]);
            }
            statting_.push_back(std::move(statuses));
            unassigned_ += unstated.size();
            ++openFolders_;
        }
    }

    // The next slice of the first folder in turn that has room for one; the
    // folder goes to the back. Small slices when work is scarce, so that
    // every thread has some.
    StatusSlice takeSlice()
    {
        const auto turn = std::find_if(statting_.begin(), statting_.end(),
                                       [](const auto &f) { return f->inFlight < kSlicesPerFolder; });
        auto folder = *turn;
        statting_.erase(turn);
        ++folder->inFlight;
        const std::size_t left = folder->entries.size() - folder->handedOut;
        const std::size_t size = std::clamp<std::size_t>(unassigned_ / depth_.depth(), 1, kMostPerSlice);
        StatusSlice slice{folder, folder->handedOut, folder->handedOut + std::min(size, left)};
        folder->handedOut = slice.end;
        unassigned_ -= slice.end - slice.begin;
        if (folder->handedOut < folder->entries.size())
            statting_.push_back(std::move(folder));
        return slice;
    }

    void readStatuses(StatusSlice &slice)
    {
        FolderStatuses &folder = *slice.folder;
        std::vector<PathStatus> found;
        const auto started = depth_.now();
        for (std::size_t i = slice.begin; i < slice.end; ++i) {
            if (cancelled())
                return; // half a tree is thrown away anyway
            found.push_back(folder.dir->reader.statEntry(folder.names[i].c_str()));
        }
        depth_.record(depth_.now() - started, found.size());
        std::int64_t bytes = 0;
        std::lock_guard lock(mutex_);
        const std::size_t pendingBefore = pending_.size();
        for (std::size_t i = slice.begin; i < slice.end; ++i) {
            const PathStatus &status = found[i - slice.begin];
            const FileKind kind = kindOf(status, folder.standing, folder.status, folder.names[i]);
            listing_.setStatus(folder.entries[i], kind, status);
            if (kind == FileKind::Regular)
                bytes += status.identity.size;
            else if (kind == FileKind::Directory) // a file system that does not tell kinds when listing
                pending_.push_back(
                    {folder.dir, std::move(folder.names[i]), folder.entries[i], folder.status, folder.standing});
        }
        total_ += bytes;
        --folder.inFlight;
        folder.unread -= slice.end - slice.begin;
        if (folder.unread == 0)
            --openFolders_;
        wake(pending_.size() - pendingBefore + (folder.handedOut < folder.entries.size() ? 1 : 0));
    }

    FolderListing &listing_;
    const std::function<bool()> &cancel_;
    ScanBoundary &boundary_;
    KeptFolders &kept_;
    std::atomic<bool> passedBy_{false};
    std::atomic<std::uint64_t> softwareFolders_{0};
    std::array<std::atomic<std::uint64_t>, kTransitKindCount> inTransitFiles_{}; // by kind
    std::atomic<std::int64_t> total_{0};
    std::mutex mutex_;
    std::condition_variable workers_; // threads waiting for work
    std::condition_variable started_; // run(), which starts the threads
    AdaptivePool *pool_ = nullptr;    // run()'s, while it runs
    bool stopping_ = false;
    std::vector<PendingFolder> pending_;
    std::deque<std::shared_ptr<FolderStatuses>> statting_;
    std::size_t unassigned_ = 0;  // entries of statting_ not yet handed out
    std::size_t openFolders_ = 0; // listed, with statuses still to read
    DepthControl depth_;
    const bool inodeOrder_;
    std::size_t busy_ = 0;
    std::atomic<bool> failed_{false};
    std::exception_ptr failure_;
};

TreeWalker::TreeWalker(ScanBoundary &boundary, std::function<bool()> cancelled, StorageProfiles *profiles)
    : boundary_(boundary), cancelled_(std::move(cancelled)), profiles_(profiles)
{
}

TreeWalker::Result TreeWalker::walk(const std::string &folder, FolderListing &listing)
{
    listing.clear();
    Result result;
    KeptFolders kept(keepFolders_); // outlives every folder of the walk, which offer theirs to it
    auto dir = std::make_shared<ListedFolder>(kept);
    if (!dir->reader.open(folder)) {
        if (dir->reader.unreadable())
            listing.countUnreadableFolder();
        listing.markWalked();
        return result;
    }
    result.opened = true;
    result.standing = boundary_.listedFolder(dir->reader.fd());
    if (result.standing != FolderStanding::System) {
        StorageProfiles own;
        const StorageProfile &profile
            = (profiles_ ? *profiles_ : own).ofOpen(dir->reader.fd(), dir->reader.status().identity.device);
        Run run(listing, cancelled_, depth_.value_or(profile.walk), boundary_,
                inodeOrder_.value_or(profile.walkInInodeOrder), kept);
        result.bytes = run.run(std::move(dir), result.standing);
        result.passedBy = run.passedBy();
        result.cancelled = run.cancelled();
        run.countPassedBy();
    }
    dir.reset();
    if (result.cancelled) {
        listing.clear();
    } else {
        listing.keepFolders(kept.take());
        listing.markWalked();
    }
    return result;
}
