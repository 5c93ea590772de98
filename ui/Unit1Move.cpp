// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The result list's entry that moves the checked files into a folder the user
// chooses, each at its path below the listed folder it was found under. It
// runs on the deletion's runner, with an action of its own, and ends in a
// summary of its own.
#include "actions/ActionTally.h"
#include "actions/MoveAction.h"
#include "engine/ScanTexts.h"
#include "platform/FileRemoval.h"
#include "platform/FormatByteSize.h"
#include "platform/LocaleCompare.h"
#include "ui/FolderListView.h"
#include "ui/ResultModel.h"
#include "ui/SummaryLines.h"
#include "ui/Unit1.h"
#include "ui/UserDialogs.h"
#include "ui/WindowActionRunner.h"

#include <QAction>
#include <QStringList>

#include <algorithm>

namespace
{

constexpr char kPrompt[] = "Please select the folder to move the checked files to:";
constexpr char kNoneChecked[] = "No file is checked.";
constexpr char kQuestion[]
    = "%1 (%2) will be moved to %3; each keeps its path below the folder it was found in. Continue?";
constexpr char kBesideChecked[] = "The folder %1 lies inside %2, where a checked file lies. Choose a folder outside "
                                  "the folders the checked files lie in.";
constexpr char kSummary[] = "%1 moved to %2. %3 moved.";
constexpr char kOtherNamesOne[] = "1 of them has other names where it was: its space stays in use and is not counted.";
constexpr char kOtherNames[]
    = "%1 of them have other names where they were: their space stays in use and is not counted.";
constexpr char kInListedFolder[] = "The folder lies inside a listed folder: the next scan will find them there.";
constexpr char kLeftInTransitOne[] = "1 file named %1... in the folder was left by a move that did not finish: an "
                                     "unfinished copy of a file still in its place, which may be removed.";
constexpr char kLeftInTransit[] = "%2 files named %1... in the folder were left by moves that did not finish: "
                                  "unfinished copies of files still in their place, which may be removed.";

const char *ReasonText(MoveOutcome reason)
{
    switch (reason) {
    case MoveOutcome::Changed:
        return "changed since the scan";
    case MoveOutcome::Unreadable:
        return "it could not be read";
    case MoveOutcome::Protected:
        return "protected (system tree, immutable)";
    case MoveOutcome::LastCopy:
        return "the kept copy changed or is gone";
    case MoveOutcome::TargetInTrash:
        return "the folder chosen lies in the Trash";
    case MoveOutcome::TargetInSystem:
        return "the folder chosen lies in the system's files";
    case MoveOutcome::TargetInSoftware:
        return "the folder chosen lies in installed software";
    case MoveOutcome::TargetUnreachable:
        return "the folder chosen, or a folder in it, could not be opened or made";
    case MoveOutcome::TargetInsideItsFolder:
        return "the folder chosen lies inside its own folder";
    case MoveOutcome::TargetReadOnly:
        return "the folder chosen is on a read-only file system";
    case MoveOutcome::NoSpace:
        return "no space left for it in the folder chosen";
    case MoveOutcome::TargetRefused:
        return "the folder chosen may not be written to";
    case MoveOutcome::OwnerNotKept:
        return "its owner could not be kept on the other file system";
    case MoveOutcome::CopyDiffered:
        return "its copy read back otherwise; the copy was removed";
    case MoveOutcome::NotWritten:
        return "its copy could not be written to the disk; the copy was removed";
    case MoveOutcome::TooManyNames:
        return "too many files of its name in the folder chosen";
    case MoveOutcome::Stopped:
        return "stopped while it was being copied";
    default:
        return "refused by the system";
    }
}

// The folder `path` lies in, without its trailing separator; "/" for the root.
std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool IsInside(const std::string &path, const std::string &folder)
{
    return path == folder || path.starts_with(folder.ends_with('/') ? folder : folder + "/");
}

} // namespace

void TForm1::connectMoveCommands()
{
    connect(MoveChecked1, &QAction::triggered, this, &TForm1::MoveChecked1Click);
}

void TForm1::MoveChecked1Click()
{
    if (deletionBarred() || model_->rowCount() == 0)
        return;
    std::vector<int> rows = checkedRows();
    if (rows.empty()) {
        dialogs_.information(this, QString::fromLatin1(kNoneChecked));
        return;
    }
    const QByteArray chosen = dialogs_.pickFolder(this, QString::fromLatin1(kPrompt));
    if (chosen.isEmpty())
        return;
    const std::string target = chosen.toStdString();
    if (targetBesideCheckedFiles(rows, target))
        return;
    spareWholeGroupsUnlessConfirmed(rows, "checked", "Move");
    if (rows.empty())
        return;
    std::int64_t bytes = 0;
    for (int row : rows)
        bytes += model_->row(row).identity.size;
    const QString question = QString::fromLatin1(kQuestion).arg(
        FilesText(int(rows.size())), QString::fromStdString(FormatByteSize(bytes)), LocaleCompare::toDisplay(target));
    if (!dialogs_.confirm(this, question))
        return;
    moveTarget_ = target;
    beginRun(rows.size(), DeleteReport::Moved);
    deleter_->start(rows, std::make_unique<MoveAction>(MoveDestination(target, scannedFolders_)));
}

// The copies set aside stay apart from the folders they were found in. The
// run asks again by identity, whatever path led to the folder.
bool TForm1::targetBesideCheckedFiles(const std::vector<int> &rows, const std::string &target)
{
    for (int row : rows) {
        const std::string folder = FolderOf(std::string(model_->path(row)));
        if (!folder.empty() && IsInside(target, folder)) {
            dialogs_.information(this,
                                 QString::fromLatin1(kBesideChecked)
                                     .arg(LocaleCompare::toDisplay(target), LocaleCompare::toDisplay(folder)));
            return true;
        }
    }
    return false;
}

void TForm1::showMoveSummary(const ActionTally &tally)
{
    QStringList lines{QString::fromLatin1(kSummary).arg(FilesText(tally.done), LocaleCompare::toDisplay(moveTarget_),
                                                        QString::fromStdString(FormatByteSize(tally.releasedBytes)))};
    const auto otherNames = tally.doneFor.find(int(MoveOutcome::MovedOtherNamesStay));
    if (otherNames != tally.doneFor.end())
        lines << (otherNames->second == 1 ? QString::fromLatin1(kOtherNamesOne)
                                          : QString::fromLatin1(kOtherNames).arg(otherNames->second));
    const std::vector<std::string> listed = ListView1->folders();
    if (tally.done > 0
        && std::any_of(listed.begin(), listed.end(), [&](const std::string &f) { return IsInside(moveTarget_, f); }))
        lines << QString::fromLatin1(kInListedFolder);
    int told = 0;
    for (const auto &[reason, count] : tally.leftFor) {
        lines << LeftLine(count, ReasonText(MoveOutcome(reason)));
        told += count;
    }
    if (tally.left > told)
        lines << LeftLine(tally.left - told, "not finished when the run ended");
    if (tally.inProtectedFolders > 0)
        lines << LeftLine(tally.inProtectedFolders, "in a protected folder");
    const QString prefix = QString::fromLatin1(kMovingPrefix.data(), qsizetype(kMovingPrefix.size()));
    if (tally.leftInTransit == 1)
        lines << QString::fromLatin1(kLeftInTransitOne).arg(prefix);
    else if (tally.leftInTransit > 1)
        lines << QString::fromLatin1(kLeftInTransit).arg(prefix).arg(tally.leftInTransit);
    if (!tally.failure.empty())
        lines << QString::asprintf("The run ended early after an error (%s).", tally.failure.c_str());
    if (tally.left + tally.inProtectedFolders > 0)
        lines << QStringLiteral("The rows of the files left remain in the list.");
    dialogs_.messageBox(this, lines.join(QLatin1Char('\n')), QString::fromLatin1(kSummaryCaption));
}
