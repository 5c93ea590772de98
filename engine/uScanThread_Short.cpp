// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/uScanThread_Short.h"
#include "boundary/ScanBoundary.h"
#include "engine/CollectFiles.h"
#include "engine/DuplicateSearch.h"
#include "engine/FolderDescriptors.h"
#include "engine/FolderListing.h"
#include "engine/FolderSize.h"
#include "engine/HostGate.h"
#include "engine/ScanTexts.h"
#include "engine/SortCandidates.h"
#include "platform/DirectoryReader.h"

#include <exception>

namespace
{

// Whether a listed folder is passed by whole, and why; the summary counts it,
// or names it when no folder is there. One that cannot be read is the walk's
// to count.
bool PassedByWhole(ScanBoundary &boundary, const std::string &folder, ScanStats &stats)
{
    DirectoryReader dir;
    PassedBy why = PassedBy::Nothing;
    if (!dir.open(folder)) {
        if (dir.unreadable())
            return false;
        stats.addMissingFolder(folder);
        return true;
    }
    if (boundary.listedFolder(dir.fd(), &why) != FolderStanding::System)
        return false;
    if (why == PassedBy::Software)
        ++stats.softwareFolders;
    else if (why == PassedBy::Trash)
        ++stats.trashFolders;
    else
        ++stats.systemFolders;
    return true;
}

} // namespace

// What a job works with: shared by its handle and its thread, so that a job
// left behind lives as long as its thread, and no longer.
struct TScanThread_Short::Job {
    Job(ScanHost &host, CallGate &c, std::vector<std::string> f, EstimateReady e, FinishedCallback d)
        : calls(c), gate(host, c), folders(std::move(f)), estimateReady(std::move(e)), onFinished(std::move(d)),
          context(gate, abort)
    {
    }
    static void run(Job &job) noexcept;
    void execute();
    void reportEndedEarly(const std::exception_ptr &error) noexcept;

    CallGate &calls; // every call of the job to its host and callbacks passes here
    HostGate gate;
    std::vector<std::string> folders;
    EstimateReady estimateReady;
    FinishedCallback onFinished;
    std::atomic<bool> abort{false};
    ScanContext context;
};

TScanThread_Short::TScanThread_Short(ScanHost &host, std::vector<std::string> folders, bool createSuspended,
                                     EstimateReady estimateReady, FinishedCallback finished)
    : job_(
        std::make_shared<Job>(host, thread_.gate(), std::move(folders), std::move(estimateReady), std::move(finished)))
{
    if (!createSuspended)
        Start();
}

TScanThread_Short::~TScanThread_Short()
{
    Abort();
    WaitFor();
}

void TScanThread_Short::setSystemTrees(std::vector<SystemTree> trees)
{
    job_->context.systemTrees = std::move(trees);
}

void TScanThread_Short::setReaderThreads(unsigned count)
{
    job_->context.storage.readers = count;
}

void TScanThread_Short::setRemoteStorage(bool remote)
{
    job_->context.storage.remote = remote;
}

void TScanThread_Short::setRotationalStorage(bool rotational)
{
    job_->context.storage.spinning = rotational;
}

void TScanThread_Short::setStorageKinds(std::function<std::optional<StorageKind>(std::uint64_t)> kindOf)
{
    job_->context.storage.kindOf = std::move(kindOf);
}

void TScanThread_Short::setCores(unsigned cores)
{
    job_->context.storage.cores = cores;
}

std::vector<std::pair<std::uint64_t, StorageProfile>> TScanThread_Short::Profiles() const
{
    const auto &profiles = job_->context.profiles;
    return profiles ? profiles->decided() : std::vector<std::pair<std::uint64_t, StorageProfile>>{};
}

void TScanThread_Short::setExtentLookup(ExtentLookup lookup)
{
    job_->context.extentLookup = std::move(lookup);
}

void TScanThread_Short::setReadObserver(std::function<void(const std::string &, std::int64_t)> observer)
{
    job_->context.readObserver = std::move(observer);
}

const ScanStats &TScanThread_Short::Stats() const
{
    return job_->context.stats;
}

void TScanThread_Short::Start()
{
    if (started_)
        return;
    started_ = true;
    thread_.start(job_, &Job::run);
}

void TScanThread_Short::Abort()
{
    job_->abort.store(true);
}

bool TScanThread_Short::Abandon()
{
    Abort();
    return thread_.leave();
}

void TScanThread_Short::WaitFor()
{
    thread_.wait();
}

void TScanThread_Short::Job::run(Job &job) noexcept
{
    try {
        job.execute();
    } catch (...) {
        job.reportEndedEarly(std::current_exception());
    }
    try {
        job.calls.closeWith(job.onFinished);
    } catch (...) {
        // The owner's last callback failed: the job still ends.
    }
}

// An error ends the job where it stands: the rows already added stay, and the
// summary says the scan ended early, so that a part never passes for the whole.
void TScanThread_Short::Job::reportEndedEarly(const std::exception_ptr &error) noexcept
{
    if (context.aborted())
        return; // closing: nobody waits for a summary
    try {
        ScanSummary summary = context.stats.summary(context.stats.groups);
        summary.endedEarly = true;
        summary.failure = FailureReason(error);
        gate.showSummary(summary);
    } catch (...) {
        // Not even the summary could be sent (memory ran out): the job still ends.
    }
}

void TScanThread_Short::Job::execute()
{
    if (folders.empty())
        return;
    ScanBoundary &boundary = context.ensureBoundary();
    StorageProfiles &profiles = context.ensureProfiles();
    // A listed folder inside a system tree, the trash or installed software
    // adds nothing; the summary says so.
    std::vector<std::string> searched;
    for (const auto &folder : folders) {
        if (PassedByWhole(boundary, folder, context.stats))
            continue;
        searched.push_back(folder);
    }
    std::vector<FolderListing> listings(searched.size());
    if (estimateReady) {
        // Stop ends the measuring too; the walk then reads the disk itself.
        const auto cancelled = [this] { return context.aborted() || context.host.stopFlag(); };
        std::int64_t total = 0;
        // The walks leave folders open for the readers, together no more
        // than the readers keep.
        std::size_t keep = FolderDescriptors::keptByWalks();
        for (std::size_t i = 0; i < searched.size() && !cancelled(); ++i) {
            total += GetFolderSize(searched[i], cancelled, &listings[i], &boundary, &profiles, keep);
            keep -= std::min(keep, listings[i].keptFolderCount());
        }
        calls.pass([&] { estimateReady(total); });
    }
    CandidateList list;
    for (std::size_t i = 0; i < searched.size(); ++i) {
        if (context.aborted())
            return;
        CollectFiles(context, searched[i], list, &listings[i]);
    }
    if (context.aborted())
        return;
    SortCandidates(list);
    context.stats.candidates = list.size();
    FindDuplicateGroups(context, list);
}
