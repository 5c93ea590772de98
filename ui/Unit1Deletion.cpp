// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The main window's delete commands: the Delete button and the result list's
// popup entries. The files go through the actions layer's runner on a thread
// of its own (WindowActionRunner).
// TForm1 is one class in two files: this half holds everything that removes
// files, so that the code able to destroy data can be read and reviewed on its
// own, apart from building the window and running scans (Unit1.cpp).
#include "actions/KeptCopyGuard.h"
#include "engine/CountText.h"
#include "engine/ScanTexts.h"
#include "platform/FormatByteSize.h"
#include "platform/LocaleCompare.h"
#include "ui/FolderProtection.h"
#include "ui/RadioGroup.h"
#include "ui/ResultModel.h"
#include "ui/StakeTexts.h"
#include "ui/Unit1.h"
#include "ui/UserDialogs.h"
#include "ui/WindowActionRunner.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QStringList>
#include <QTableView>

#include <algorithm>
#include <set>
#include <string>

namespace
{

constexpr char kCheckedQuestion[] = "The Checked Files will be deleted directly and will not be recoveryed. Continue?";
constexpr char kSelectedQuestion[]
    = "The Selected Files will be deleted directly and will not be recoveryed. Continue?";
constexpr char kSummaryFormat[] = "%d duplicate files deleted. %s space released!";
constexpr char kEndedEarlyFormat[] = "Deleting ended early after an error (%s).";

constexpr char kChecked[] = "checked";
constexpr char kSelected[] = "selected";

constexpr char kTrashUnusable[] = "The Trash could not be used (%1); it was looked for at %2.";

QString LeftText(int left)
{
    return QString::fromStdString(CountOf(left, "file", "files") + " could not be deleted; "
                                  + std::string(ByCount(left, "its row remains", "their rows remain"))
                                  + " in the list.");
}

QString ProtectedText(int kept)
{
    return QString::fromStdString(CountOf(kept, "file", "files")
                                  + std::string(ByCount(kept, " is in a protected folder", " are in protected folders"))
                                  + " and " + std::string(ByCount(kept, "was", "were")) + " not deleted.");
}

// What a run did not do, a line each; empty when it did all it was asked.
QString UndoneText(const ActionTally &tally)
{
    QStringList lines;
    if (!tally.failure.empty())
        lines << QString::asprintf(kEndedEarlyFormat, tally.failure.c_str());
    if (tally.left > 0)
        lines << LeftText(tally.left);
    if (!tally.unusableTrash.empty())
        lines << QString::fromLatin1(kTrashUnusable)
                     .arg(qt_error_string(tally.trashError), // strerror_r: the text of this error alone
                          LocaleCompare::toDisplay(tally.unusableTrash));
    if (tally.inProtectedFolders > 0)
        lines << ProtectedText(tally.inProtectedFolders);
    return lines.join(QLatin1Char('\n'));
}

// The question under the files and bytes it puts at stake.
QString StakedQuestion(const char *which, const CheckedTotal &stake, const char *question)
{
    return StakeText(which, stake) + QLatin1Char('\n') + QString::fromLatin1(question);
}

QString WholeGroupsQuestion(const char *which, int groups, const char *verb)
{
    return QString::fromStdString(std::string("The ") + which + " files include every copy of "
                                  + CountOf(groups, "group", "groups") + ". " + verb + " every copy of "
                                  + std::string(ByCount(groups, "it", "them")) + " too?");
}

} // namespace

void TForm1::connectDeleteCommands()
{
    deleter_ = new WindowActionRunner(*model_, this);
    deleter_->setObjectName(QStringLiteral("WindowActionRunner"));
    connect(deleter_, &WindowActionRunner::progressed, this, &TForm1::showDeleteProgress);
    connect(deleter_, &WindowActionRunner::finished, this, &TForm1::deletionFinished);
    connect(DeletetoRecycle1, &QAction::triggered, this, &TForm1::DeletetoRecycle1Click);
    connect(DeleteForever1, &QAction::triggered, this, &TForm1::DeleteForever1Click);
    connect(DeleteCheckedtoRecycle1, &QAction::triggered, this, &TForm1::DeleteCheckedtoRecycle1Click);
    connect(DeleteCheckedForever1, &QAction::triggered, this, &TForm1::DeleteCheckedForever1Click);
    connectReclaimCommands();
    connectMoveCommands();
}

bool TForm1::deletionRunning() const
{
    return deleter_->isRunning();
}

bool TForm1::deletionThreadsEnded() const
{
    return deleter_->workersEnded();
}

// Files are not deleted while a scan is still adding rows, nor twice at once.
bool TForm1::deletionBarred() const
{
    return job_ != nullptr || deleter_->isRunning();
}

void TForm1::PNGButton12Click()
{
    if (deletionBarred() || model_->rowCount() == 0)
        return;
    if (RadioGroup2->itemIndex() == 0)
        DeleteCheckedToRecycleBin();
    else
        DeleteCheckedPermanently();
}

void TForm1::DeleteCheckedToRecycleBin()
{
    std::vector<int> rows = checkedRows();
    spareWholeGroupsUnlessConfirmed(rows, kChecked);
    startDeletion(rows, true, DeleteReport::Summary);
}

void TForm1::DeleteCheckedPermanently()
{
    if (!dialogs_.confirm(this, StakedQuestion(kChecked, model_->checkedTotal(), kCheckedQuestion))) {
        showDeleteSummary({});
        return;
    }
    std::vector<int> rows = checkedRows();
    spareWholeGroupsUnlessConfirmed(rows, kChecked);
    startDeletion(rows, false, DeleteReport::Summary);
}

void TForm1::DeletetoRecycle1Click()
{
    if (deletionBarred())
        return;
    std::vector<int> rows = selectedRows();
    spareWholeGroupsUnlessConfirmed(rows, kSelected);
    startDeletion(rows, true, DeleteReport::FailuresOnly);
}

void TForm1::DeleteForever1Click()
{
    if (deletionBarred())
        return;
    std::vector<int> rows = selectedRows();
    CheckedTotal stake;
    for (int row : rows)
        stake.add(model_->fileSize(row));
    if (!dialogs_.confirm(this, StakedQuestion(kSelected, stake, kSelectedQuestion)))
        return;
    spareWholeGroupsUnlessConfirmed(rows, kSelected);
    startDeletion(rows, false, DeleteReport::FailuresOnly);
}

// The popup's "checked" entries run the Delete command with their own option,
// whatever "Delete Options" says.
void TForm1::DeleteCheckedtoRecycle1Click()
{
    if (!deletionBarred() && model_->rowCount() > 0)
        DeleteCheckedToRecycleBin();
}

void TForm1::DeleteCheckedForever1Click()
{
    if (!deletionBarred() && model_->rowCount() > 0)
        DeleteCheckedPermanently();
}

std::vector<int> TForm1::checkedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < model_->rowCount(); ++row)
        if (model_->isChecked(row))
            rows.push_back(row);
    return rows;
}

std::vector<int> TForm1::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : ListView2->selectionModel()->selectedRows())
        rows.push_back(index.row());
    return rows;
}

// Rows that hold every copy of a group stay out of the run unless the user
// says that is what was meant.
void TForm1::spareWholeGroupsUnlessConfirmed(std::vector<int> &rows, const char *which, const char *verb)
{
    const KeptCopyGuard guard(WindowActionRunner::filesOf(*model_, rows));
    std::set<int> whole;
    for (int row : rows)
        if (!guard.keepsCopyOf(model_->row(row).group))
            whole.insert(model_->row(row).group);
    if (whole.empty() || dialogs_.confirm(this, WholeGroupsQuestion(which, int(whole.size()), verb)))
        return;
    std::erase_if(rows, [&](int row) { return whole.count(model_->row(row).group) > 0; });
}

void TForm1::startDeletion(const std::vector<int> &rows, bool recycle, DeleteReport report)
{
    if (rows.empty() && report == DeleteReport::FailuresOnly)
        return;
    beginRun(rows.size(), report);
    deleter_->start(rows, recycle);
}

void TForm1::beginRun(std::size_t files, DeleteReport report)
{
    deleteReport_ = report;
    deleter_->setProtectedFolders(protection_->folders());
    setScanning(true); // bars Scan and Delete alike while files change
    ProgressBar1->setRange(0, std::max(int(files), 1));
    ProgressBar1->setValue(0);
}

void TForm1::showDeleteProgress(int done, int total)
{
    ProgressBar1->setRange(0, std::max(total, 1));
    ProgressBar1->setValue(done);
}

void TForm1::deletionFinished(const ActionTally &tally)
{
    setScanning(false);
    if (deleteReport_ == DeleteReport::Reclaimed)
        showReclaimSummary(tally);
    else if (deleteReport_ == DeleteReport::Moved)
        showMoveSummary(tally);
    else if (deleteReport_ == DeleteReport::Summary)
        showDeleteSummary(tally);
    else if (const QString undone = UndoneText(tally); !undone.isEmpty())
        dialogs_.information(this, undone);
}

void TForm1::showDeleteSummary(const ActionTally &tally)
{
    const std::string released = FormatByteSize(tally.releasedBytes);
    QString text = QString::asprintf(kSummaryFormat, tally.done, released.c_str());
    if (const QString undone = UndoneText(tally); !undone.isEmpty())
        text += QLatin1Char('\n') + undone;
    dialogs_.messageBox(this, text, QString::fromLatin1(kSummaryCaption));
}
