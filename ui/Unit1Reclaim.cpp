// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The result list's entries that give back a copy's space and keep its path:
// shared storage and hard links. They run on the deletion's runner, with an
// action of their own, and end in a summary of their own.
#include "actions/KeptCopyGuard.h"
#include "actions/ReclaimAction.h"
#include "engine/ScanTexts.h"
#include "platform/FormatByteSize.h"
#include "ui/ResultModel.h"
#include "ui/Unit1.h"
#include "ui/UserDialogs.h"
#include "ui/WindowActionRunner.h"

#include <QAction>
#include <QStringList>

#include <set>

namespace
{

struct KindTexts {
    const char *question; // files, groups, their size
    const char *summary;  // files, released
    const char *unsupported;
};

constexpr KindTexts kShareTexts{
    "%d files in %d groups, %s in all, will share the storage of their group's kept copy. Each file keeps its own "
    "name and settings; a later change to one is written apart. Continue?",
    "%d files now share storage with their kept copy. %s space released.", "the file system cannot share storage"};
constexpr KindTexts kLinkTexts{
    "%d files in %d groups, %s in all, will be replaced with hard links to their group's kept copy. The files become "
    "one file under several names: a change through one name shows under every name. Continue?",
    "%d files are now hard links to their kept copy. %s space released.", "the file system cannot make hard links"};

const KindTexts &TextsFor(ReclaimKind kind)
{
    return kind == ReclaimKind::ShareStorage ? kShareTexts : kLinkTexts;
}

const char *ReasonText(ReclaimOutcome reason, const KindTexts &texts)
{
    switch (reason) {
    case ReclaimOutcome::Unsupported:
        return texts.unsupported;
    case ReclaimOutcome::OtherFileSystem:
        return "on another file system than the kept copy";
    case ReclaimOutcome::OwnerOrModeDiffer:
        return "owner or permissions differ from the kept copy's";
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

QString LeftLine(int count, const char *reason)
{
    return count == 1 ? QString::asprintf("1 file left: %s.", reason)
                      : QString::asprintf("%d files left: %s.", count, reason);
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
    if (files > 0
        && !dialogs_.confirm(
            this, QString::asprintf(TextsFor(kind).question, files, int(groups.size()), FormatByteSize(bytes).c_str())))
        return;
    reclaimKind_ = kind;
    beginRun(rows.size(), DeleteReport::Reclaimed);
    deleter_->start(rows, std::make_unique<ReclaimAction>(kind));
}

void TForm1::showReclaimSummary(const ActionTally &tally)
{
    const KindTexts &texts = TextsFor(reclaimKind_);
    QStringList lines{QString::asprintf(texts.summary, tally.done, FormatByteSize(tally.releasedBytes).c_str())};
    int told = 0;
    for (const auto &[reason, count] : tally.leftFor) {
        lines << LeftLine(count, ReasonText(ReclaimOutcome(reason), texts));
        told += count;
    }
    if (tally.left > told)
        lines << LeftLine(tally.left - told, "not finished when the run ended");
    if (tally.inProtectedFolders > 0)
        lines << LeftLine(tally.inProtectedFolders, "in a protected folder");
    if (!tally.failure.empty())
        lines << QString::asprintf("The run ended early after an error (%s).", tally.failure.c_str());
    if (tally.left + tally.inProtectedFolders > 0)
        lines << QStringLiteral("The rows of the files left remain in the list.");
    dialogs_.messageBox(this, lines.join(QLatin1Char('\n')), QString::fromLatin1(kSummaryCaption));
}
