// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ProtectedFolderList.h"
#include "engine/WorkerThreads.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ResultModel;
class WindowScanHost;

// Keeps the result list in step with the folders the user protected. A scan
// judges the rows it finds against the folders protected at that moment (it
// reads them through the host); the rows already listed when the folders
// change, and rows that were on their way, are judged again here. Judging
// looks at each file's folders, which may lie on a share slow to answer, so
// it runs on a thread of its own, never on the window's: the verdicts come
// back in one piece, and the list is re-marked by the keep rule as a switch
// of the rule does. Lives on the window's thread.
class FolderProtection : public QObject
{
    Q_OBJECT
public:
    FolderProtection(ResultModel &model, WindowScanHost &host, QObject *parent = nullptr);
    ~FolderProtection() override;

    // The paths of the protected rows of the folder list, in any order.
    void setFolders(std::vector<std::string> paths);
    // The folders protected now, for the scan and for deletion.
    std::shared_ptr<const ProtectedFolderList> folders() const { return folders_; }
    // Whether every row of the list was judged against them.
    bool settled() const;

private:
    struct Survey;
    void rowsArrived(int first, int last);
    // Judges every row judged against another change; re-marks the list
    // afterwards when `reMark`, as a switch of the keep rule does.
    void judgeStale(bool reMark);
    void surveyed(const std::shared_ptr<Survey> &survey);
    void dropSurvey();

    ResultModel &model_;
    WindowScanHost &host_;
    std::shared_ptr<const ProtectedFolderList> folders_;
    std::shared_ptr<Survey> survey_; // the one at work for folders_, if any
    LeavableThread surveyThread_;    // survey_'s; left behind when dropped
};
