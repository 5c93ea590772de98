// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/FolderProtection.h"
#include "engine/ProtectionJudge.h"
#include "ui/ResultModel.h"
#include "ui/WindowScanHost.h"

#include <algorithm>

// One judging of rows, shared by the window and its thread. The window only
// reads the rows; the thread fills the verdicts before it hands them back
// through the thread's gate. A survey given up is left behind with its gate
// closed, so its verdicts never reach the list.
struct FolderProtection::Survey : std::enable_shared_from_this<Survey> {
    std::shared_ptr<const ProtectedFolderList> folders;
    std::vector<std::uint64_t> ids;
    std::vector<std::string> paths;
    std::vector<char> held; // one per row, from the thread
    FolderProtection *receiver = nullptr;
    CallGate *gate = nullptr;

    static void run(Survey &survey) noexcept
    {
        ProtectionJudge judge(survey.folders);
        survey.held.reserve(survey.paths.size());
        for (const std::string &path : survey.paths)
            survey.held.push_back(judge.holds(path) ? 1 : 0);
        survey.gate->run([to = survey.receiver, self = survey.shared_from_this()] {
            QMetaObject::invokeMethod(
                to, [to, self] { to->surveyed(self); }, Qt::QueuedConnection);
        });
    }
};

FolderProtection::FolderProtection(ResultModel &model, WindowScanHost &host, QObject *parent)
    : QObject(parent), model_(model), host_(host), folders_(std::make_shared<const ProtectedFolderList>())
{
    host_.setProtectedFolders(folders_);
    connect(&model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { rowsArrived(first, last); });
}

FolderProtection::~FolderProtection()
{
    dropSurvey();
}

void FolderProtection::setFolders(std::vector<std::string> paths)
{
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    if (paths == folders_->paths)
        return; // a folder listed twice protected once more, or an unprotected row gone
    folders_ = std::make_shared<const ProtectedFolderList>(ProtectedFolderList{folders_->serial + 1, std::move(paths)});
    host_.setProtectedFolders(folders_); // the scan's rows from its next group on
    judgeStale(true);
}

bool FolderProtection::settled() const
{
    if (survey_)
        return false;
    for (int i = 0; i < model_.rowCount(); ++i)
        if (model_.protectionSerial(i) != folders_->serial)
            return false;
    return true;
}

// Rows that were on their way when the folders changed arrive judged against
// the change before.
void FolderProtection::rowsArrived(int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (model_.protectionSerial(i) != folders_->serial) {
            judgeStale(false);
            return;
        }
}

void FolderProtection::judgeStale(bool reMark)
{
    if (survey_ && survey_->folders == folders_)
        return; // at work for these folders; it looks again when done
    dropSurvey();
    const std::uint32_t serial = folders_->serial;
    std::vector<int> stale;
    for (int i = 0; i < model_.rowCount(); ++i)
        if (model_.protectionSerial(i) != serial)
            stale.push_back(i);
    if (stale.empty())
        return;
    if (folders_->paths.empty()) { // nothing to look at: nothing is protected
        for (int i : stale)
            model_.setProtection(i, false, serial);
        if (reMark)
            model_.applyKeepRule(host_.keepRule());
        return;
    }
    auto survey = std::make_shared<Survey>();
    survey->folders = folders_;
    survey->ids.reserve(stale.size());
    survey->paths.reserve(stale.size());
    for (int i : stale) {
        survey->ids.push_back(model_.rowId(i));
        survey->paths.emplace_back(model_.path(i));
    }
    survey->receiver = this;
    surveyThread_ = LeavableThread();
    survey->gate = &surveyThread_.gate();
    survey_ = survey;
    surveyThread_.start(survey, &Survey::run);
}

void FolderProtection::surveyed(const std::shared_ptr<Survey> &survey)
{
    if (survey != survey_)
        return;
    dropSurvey(); // its thread is at its end
    // Rows that left the list meanwhile (deleted, or a new scan began) are
    // not found again.
    const std::uint32_t serial = survey->folders->serial;
    for (std::size_t k = 0; k < survey->ids.size(); ++k)
        if (const int row = model_.rowWithId(survey->ids[k]); row >= 0)
            model_.setProtection(row, survey->held[k] != 0, serial);
    model_.applyKeepRule(host_.keepRule());
    judgeStale(false); // rows that arrived while it was at work
}

// Never waited for: a share may stall the thread. Left behind, it can no
// longer reach this object.
void FolderProtection::dropSurvey()
{
    if (!survey_)
        return;
    surveyThread_.leave();
    survey_.reset();
}
