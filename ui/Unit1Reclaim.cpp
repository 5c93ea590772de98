// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The result list's entries that give back a copy's space and keep its path:
// shared storage and hard links. They run on the deletion's runner, with an
// action of their own, and end in a summary of their own. The rows of the
// files joined stay in the list, unchecked, their tooltips saying with what.
#include "actions/KeptCopyGuard.h"
#include "actions/ReclaimAction.h"
#include "engine/CountText.h"
#include "engine/ScanTexts.h"
#include "platform/FormatByteSize.h"
#include "ui/ResultModel.h"
#include "ui/SummaryLines.h"
#include "ui/Unit1.h"
#include "ui/UserDialogs.h"
#include "ui/WindowActionRunner.h"

#include <QAction>
#include <QStringList>

#include <set>
#include <string>
#include <string_view>

namespace
{

std::string Words(long long count, std::string_view one, std::string_view many)
{
    return std::string(ByCount(count, one, many));
}

// Files, groups and their size, as the list holds them.
QString Question(ReclaimKind kind, int files, int groups, std::int64_t bytes)
{
    std::string text = CountOf(files, "file", "files") + " in " + CountOf(groups, "group", "groups") + ", "
        + FormatByteSize(bytes) + " in all,";
    if (kind == ReclaimKind::ShareStorage)
        text += " will share the storage of " + Words(files, "its", "their") + " group's kept copy. "
            + Words(files, "The file keeps its own name and settings; a later change to it is written apart.",
                    "Each file keeps its own name and settings; a later change to one is written apart.");
    else
        text += " will be replaced with hard links to " + Words(files, "its", "their")
            + " group's kept copy. The files become one file under several names: a change through one name "
              "shows under every name. "
            + Words(files, "The linked path takes", "The linked paths take") + " the kept copy's modification time.";
    return QString::fromStdString(text + " Continue?");
}

QString Summary(ReclaimKind kind, const ActionTally &tally)
{
    const int done = tally.done;
    std::string text = CountOf(done, "file", "files");
    if (kind == ReclaimKind::ShareStorage)
        text += " now " + Words(done, "shares", "share") + " storage with " + Words(done, "its", "their")
            + " kept copy. ";
    else
        text += Words(done, " is now a hard link", " are now hard links") + " to " + Words(done, "its", "their")
            + " kept copy. ";
    text
        += std::string(tally.releasedAtMost ? "Up to " : "") + FormatByteSize(tally.releasedBytes) + " space released.";
    return QString::fromStdString(text);
}

std::string ReasonText(ReclaimOutcome reason, ReclaimKind kind, int count)
{
    switch (reason) {
    case ReclaimOutcome::Unsupported:
        return kind == ReclaimKind::ShareStorage ? "the file system cannot share storage"
                                                 : "the file system cannot make hard links";
    case ReclaimOutcome::OtherFileSystem:
        return "on another file system than the kept copy";
    case ReclaimOutcome::AttributesDiffer:
        return "permissions or attributes differ";
    case ReclaimOutcome::InUse:
        return "in use by another program";
    case ReclaimOutcome::WriterUnknown:
        return "could not make sure no program is writing " + Words(count, "it", "them");
    case ReclaimOutcome::KeptCopyProtected:
        return Words(count, "its kept copy is protected: a link would let it be changed through this path",
                     "their kept copy is protected: a link would let it be changed through these paths");
    case ReclaimOutcome::CopyOnWriteDiffers:
        return "the kept copy is stored with copy-on-write and " + Words(count, "this one", "these")
            + " without (chattr +C), or the other way round";
    case ReclaimOutcome::TooSmallToShare:
        return "too small to share";
    case ReclaimOutcome::Changed:
        return "changed since the scan";
    case ReclaimOutcome::KeptCopyChanged:
        return "the kept copy changed or is gone";
    case ReclaimOutcome::Protected:
        return "protected (system tree, immutable)";
    case ReclaimOutcome::SameFile:
        return "the kept copy itself, seen twice";
    case ReclaimOutcome::NoKeptCopy:
        return "every copy of the group is checked: no kept copy";
    default:
        return "refused by the system";
    }
}

} // namespace

void TForm1::connectReclaimCommands()
{
    connect(ShareStorage1, &QAction::triggered, this, &TForm1::ShareStorage1Click);
    connect(HardLinks1, &QAction::triggered, this, &TForm1::HardLinks1Click);
}

void TForm1::ShareStorage1Click()
{
    reclaimChecked(ReclaimKind::ShareStorage);
}

void TForm1::HardLinks1Click()
{
    reclaimChecked(ReclaimKind::HardLink);
}

// The files of groups that keep no copy go into the run too, to be left
// there and counted in the summary.
void TForm1::reclaimChecked(ReclaimKind kind)
{
    if (deletionBarred() || model_->rowCount() == 0)
        return;
    std::vector<int> rows = checkedRows();
    const KeptCopyGuard guard(WindowActionRunner::filesOf(*model_, rows));
    int files = 0;
    std::int64_t bytes = 0;
    std::set<int> groups;
    for (int row : rows)
        if (guard.keepsCopyOf(model_->group(row))) {
            ++files;
            bytes += model_->fileSize(row);
            groups.insert(model_->group(row));
        }
    if (files > 0 && !dialogs_.confirm(this, Question(kind, files, int(groups.size()), bytes)))
        return;
    reclaimKind_ = kind;
    beginRun(rows.size(), DeleteReport::Reclaimed);
    deleter_->start(rows, std::make_unique<ReclaimAction>(kind),
                    kind == ReclaimKind::ShareStorage ? ResultModel::JoinedAs::SharedStorage
                                                      : ResultModel::JoinedAs::HardLink);
}

void TForm1::showReclaimSummary(const ActionTally &tally)
{
    QStringList lines{Summary(reclaimKind_, tally)};
    int told = 0;
    for (const auto &[reason, count] : tally.leftFor) {
        lines << LeftLine(count, ReasonText(ReclaimOutcome(reason), reclaimKind_, count));
        told += count;
    }
    if (tally.left > told)
        lines << LeftLine(tally.left - told, "not finished when the run ended");
    if (tally.inProtectedFolders > 0)
        lines << LeftLine(tally.inProtectedFolders, "in a protected folder");
    if (!tally.failure.empty())
        lines << QString::asprintf("The run ended early after an error (%s).", tally.failure.c_str());
    if (const int left = tally.left + tally.inProtectedFolders; left > 0)
        lines << QString::fromStdString(Words(left, "The row of the file left remains in the list.",
                                              "The rows of the files left remain in the list."));
    dialogs_.messageBox(this, lines.join(QLatin1Char('\n')), QString::fromLatin1(kSummaryCaption));
}
