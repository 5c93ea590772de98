// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The main window driven through its own controls, with scripted dialogs.
#include "engine/ScanTexts.h"
#include "platform/FormatByteSize.h"
#include "tests/support/ForwardingHost.h"
#include "tests/support/FuseMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/StuckHost.h"
#include "tests/support/TempTree.h"
#include "ui/ApplicationIdentity.h"
#include "ui/RadioGroup.h"
#include "ui/TImage.h"
#include "ui/Version.h"
#include "ui/WindowScanHost.h"
#include "ui/controls/PNGButton.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableView>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <new>
#include <thread>
#include <unistd.h>

namespace
{

// A filter dialog that does what the mask list does: writes the filter edit.
class FilterDialogStub : public QDialog
{
public:
    QLineEdit *edit = nullptr;
    QString filter;
    int exec() override
    {
        edit->setText(filter);
        return QDialog::Accepted;
    }
};

using MainWindowTest = MainWindowFixture;

// A time zone for one scope; local times follow it and then the old one.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const std::string &zone) : zone_("TZ", zone) { ::tzset(); }

private:
    struct Reread {
        ~Reread() { ::tzset(); } // after the old zone is back
    } reread_;
    ScopedEnv zone_;
};

// Two groups (5 and 7 bytes) and a single file; times order the copies.
void WriteTwoGroups(TempTree &tree, const std::string &folder)
{
    const std::pair<const char *, const char *> files[]
        = {{"/old.txt", "hello"}, {"/sub/new.txt", "hello"}, {"/mid.txt", "hello"},
           {"/a.dat", "worlds!"}, {"/b.dat", "worlds!"},     {"/single.txt", "unique"}};
    for (const auto &[name, content] : files)
        tree.write(folder + name, content);
    const std::pair<const char *, std::int64_t> times[] = {{"/old.txt", 1000000000},
                                                           {"/mid.txt", 1100000000},
                                                           {"/sub/new.txt", 1200000000},
                                                           {"/a.dat", 1000000000},
                                                           {"/b.dat", 1200000000}};
    for (const auto &[name, time] : times)
        tree.setTime(folder + name, time);
}

// Passes everything on to the window's host, but taking the row numbered
// `failAt` (from 0) throws, as when memory runs out on the way to the list.
class RowFailingHost : public ForwardingHost
{
public:
    RowFailingHost(ScanHost &inner, int failAt) : ForwardingHost(inner), failAt_(failAt) { }
    void addResultRow(ResultRow row) override
    {
        if (rows_++ == failAt_)
            throw std::bad_alloc();
        ForwardingHost::addResultRow(std::move(row));
    }

private:
    const int failAt_;
    int rows_ = 0;
};

} // namespace

TEST_F(MainWindowTest, WindowHasItsControlsPicturesAndStartState)
{
    // The caption names the project's version, major and minor.
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Varnok ") + QLatin1String(kVarnokVersion));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Varnok \\d+\\.\\d+$")).match(form->windowTitle()).hasMatch());
    EXPECT_EQ(form->size(), QSize(829, 572));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    struct Button {
        const char *name, *caption;
        int glyph;
        TPNGButtonLayout layout;
        TPNGButtonStyle style;
    };
    const Button buttons[] = {{"PNGButton2", "Add Folder", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton3", "Filter", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton1", "Scan", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton4", "Stop", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton5", "Delete", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton6", "Help", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton9", "Home", 48, pbsImageAbove, pbsNoFrame},
                              {"PNGButton13", "Add", 32, pbsImageLeft, pbsFlat},
                              {"PNGButton14", "Remove", 32, pbsImageLeft, pbsFlat},
                              {"PNGButton15", "Filter", 16, pbsImageLeft, pbsDefault},
                              {"PNGButton10", "Scan Now", 48, pbsImageAbove, pbsFlat},
                              {"PNGButton11", "Stop", 48, pbsImageAbove, pbsFlat},
                              {"PNGButton12", "Delete", 48, pbsImageAbove, pbsFlat}};
    for (const Button &expected : buttons) {
        SCOPED_TRACE(expected.name);
        const TPNGButton *button = child<TPNGButton>(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->Caption(), expected.caption);
        EXPECT_EQ(button->ImageNormal().Width(), expected.glyph);
        EXPECT_EQ(button->ImageNormal().Height(), expected.glyph);
        EXPECT_EQ(button->ButtonLayout(), expected.layout);
        EXPECT_EQ(button->ButtonStyle(), expected.style);
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
        // The top band's Scan alone has a pressed picture, a copy of its idle one.
        EXPECT_EQ(button->ImageDown().Empty(), QLatin1String(expected.name) != QLatin1String("PNGButton1"));
        EXPECT_TRUE(button->ImageOver().Empty());
    }
    const auto &scan = *child<TPNGButton>("PNGButton1");
    EXPECT_EQ(scan.ImageDown().ToImage(), scan.ImageNormal().ToImage());
    EXPECT_EQ(child<TPNGButton>("PNGButton2")->FontColor(), QColor(Qt::yellow));
    EXPECT_EQ(child<TPNGButton>("PNGButton10")->FontColor(), QColor(0, 0x80, 0));
    EXPECT_EQ(child<TPNGButton>("PNGButton15")->FontColor(), QColor(0x80, 0, 0));

    const std::pair<const char *, const char *> entries[]
        = {{"DeletetoRecycle1", "Delete Selected Files to Recycle"},
           {"DeleteForever1", "Delete Selected Files Forever"},
           {"DeleteCheckedtoRecycle1", "Delete Checked Files to Recycle"},
           {"DeleteCheckedForever1", "Delete Checked Files Forever"},
           {"AddFolder1", "Add Folder"},
           {"RemoveFolder1", "Remove Folder"},
           {"Clear1", "Clear"}};
    for (const auto &[name, caption] : entries)
        EXPECT_EQ(child<QAction>(name)->text(), caption) << name;

    // Each picture fills its control exactly, so stretching never distorts it.
    const std::pair<const char *, QSize> pictures[]
        = {{"Image1", {829, 81}}, {"Image2", {212, 491}}, {"Image3", {612, 491}}, {"Image4", {5, 491}},
           {"Image5", {681, 5}},  {"Image6", {209, 5}},   {"Image7", {16, 16}}};
    for (const auto &[name, size] : pictures) {
        const TImage *image = child<TImage>(name);
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->size(), size) << name;
        EXPECT_EQ(QSize(image->Picture().Width(), image->Picture().Height()), size) << name;
    }
    // The banner is drawn, not left to the window's face colour.
    const QImage banner = child<TImage>("Image1")->grab().toImage();
    EXPECT_EQ(banner.pixelColor(400, 40), child<TImage>("Image1")->Picture().ToImage().pixelColor(400, 40));

    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), "*.*");
    EXPECT_EQ(child<QLabel>("Label1")->text(), "0:0:0");
    EXPECT_EQ(child<RadioGroup>("RadioGroup1")->itemIndex(), 0);
    EXPECT_EQ(child<RadioGroup>("RadioGroup2")->itemIndex(), 0);
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 0);
    EXPECT_EQ(folders()->headerItem()->text(0), QString(21, ' ') + "Folders");
    const QStringList headers = {"Path", "Size", "Modify Time", "Group"};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(results().headerData(c, Qt::Horizontal).toString(), headers[c]);
    EXPECT_FALSE(form->StopFlag());

    SetUpApplicationIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.example.varnok"));
    const QList<QSize> iconSizes = form->windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(48, 48)));
    EXPECT_TRUE(iconSizes.contains(QSize(256, 256)));
}

TEST_F(MainWindowTest, FolderListAddCancelEditRemoveAndClear)
{
    const std::string raw = "/tmp/caf\xe9"; // not valid in UTF-8: must survive untouched
    addFolder(raw);
    addFolder("/second");
    addFolder(raw);      // the same folder again is a second row
    click("PNGButton2"); // nothing scripted: the picker is cancelled
    EXPECT_EQ(folders()->folders(), (std::vector<std::string>{raw, "/second", raw}));
    EXPECT_EQ(dialogs.prompts.size(), 4);
    EXPECT_EQ(dialogs.prompts.front(), "Please select a folder:");
    folders()->topLevelItem(1)->setText(0, "/edited"); // the caption edited in place is the path
    EXPECT_EQ(folders()->folderAt(1), "/edited");

    click("PNGButton14");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Please selcect a folder first!");
    EXPECT_EQ(dialogs.boxes[0].caption, "Note:");
    EXPECT_EQ(folders()->folderCount(), 3);

    folders()->topLevelItem(0)->setSelected(true);
    folders()->topLevelItem(2)->setSelected(true);
    trigger("RemoveFolder1");
    EXPECT_EQ(folders()->folders(), std::vector<std::string>{"/edited"});

    trigger("Clear1");
    EXPECT_EQ(folders()->folderCount(), 0);
    click("PNGButton1");
    EXPECT_EQ(dialogs.notices, QStringList{"Please add a folder first!"});
    EXPECT_FALSE(form->scanRunning());
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(MainWindowTest, ScanFillsResultsShowsSummaryAndFollowsTheFilter)
{
    TempTree tree;
    const std::string folderName = "d\xf6r"; // raw bytes end to end
    WriteTwoGroups(tree, folderName);
    addFolder(tree.path(folderName));
    scanToEnd();

    EXPECT_EQ(summaries(),
              std::vector<QString>{"2 duplicate groups and 5 duplicate files found\n"
                                   "The checked files take 17 bytes."});
    const std::string base = tree.path(folderName);
    EXPECT_EQ(rowPaths(),
              (std::vector<std::string>{base + "/old.txt", base + "/mid.txt", base + "/sub/new.txt", base + "/a.dat",
                                        base + "/b.dat"}));
    for (int i = 0; i < results().rowCount(); ++i) {
        EXPECT_EQ(results().row(i).group, i < 3 ? 1 : 2);
        EXPECT_NE(results().row(i).identity.inode, 0u);
    }
    EXPECT_EQ(results().data(results().index(0, ResultModel::SizeColumn)).toString(), "         5");
    EXPECT_EQ(results().data(results().index(3, ResultModel::GroupColumn)).toString(), "2");
    EXPECT_EQ(marks(), (std::vector<bool>{true, true, false, true, false}));
    EXPECT_EQ(form->TotalBytes(), 5 * 3 + 7 * 2 + 6);
    auto *bar = child<QProgressBar>("ProgressBar1");
    EXPECT_EQ(bar->maximum(), 6); // the grouping pass counts the candidates
    EXPECT_EQ(bar->value(), 6);
    EXPECT_TRUE(child<QWidget>("PNGButton10")->isEnabled());

    // A second scan replaces the results, it does not add to them.
    scanToEnd();
    EXPECT_EQ(results().rowCount(), 5);
    EXPECT_EQ(summaries().size(), 2u);

    // What the filter dialog writes is what the next scan accepts.
    FilterDialogStub filterDialog;
    filterDialog.edit = child<QLineEdit>("Edit1");
    filterDialog.filter = "*.dat;";
    form->setFilterDialog(&filterDialog);
    click("PNGButton3");
    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), "*.dat;");
    scanToEnd();
    EXPECT_EQ(rowPaths(), (std::vector<std::string>{base + "/a.dat", base + "/b.dat"}));
}

// However the folder was chosen, the system's own trees are not searched, and
// the summary says why nothing was found there.
TEST_F(MainWindowTest, ListedSystemFoldersAreSaidNotSearched)
{
    TempTree tree;
    tree.symlink("/usr/share", "share");
    addFolder("/usr/share/doc");
    addFolder(tree.path("share"));
    scanToEnd();
    EXPECT_EQ(summaries(),
              std::vector<QString>{"0 duplicate groups and 0 duplicate files found\n"
                                   "2 listed folders are system folders and were not searched."});
    EXPECT_EQ(results().rowCount(), 0);

    child<FolderListView>("ListView1")->clear();
    WriteTwoGroups(tree, "mine");
    addFolder(tree.path("mine"));
    addFolder("/etc");
    scanToEnd();
    EXPECT_EQ(summaries().back(),
              "2 duplicate groups and 5 duplicate files found\n"
              "The checked files take 17 bytes.\n"
              "1 listed folder is a system folder and was not searched.");
}

TEST_F(MainWindowTest, KeepRuleSwitchReMarksEveryGroupAndRowsAreNeverEdited)
{
    TempTree tree;
    WriteTwoGroups(tree, "t");
    addFolder(tree.path("t"));
    scanToEnd();
    // Nothing typed into a row can become a deletion target.
    auto *view = child<QTableView>("ListView2");
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < ResultModel::ColumnCount; ++c) {
        const QModelIndex cell = results().index(0, c);
        EXPECT_FALSE(results().flags(cell) & Qt::ItemIsEditable);
        view->edit(cell);
        EXPECT_FALSE(results().setData(cell, "/etc/passwd", Qt::EditRole));
    }
    EXPECT_TRUE(view->findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(results().row(0).path, tree.path("t") + "/old.txt");

    int changes = 0;
    QObject::connect(&results(), &QAbstractItemModel::dataChanged, [&] { ++changes; });
    click("RadioGroup1Item1");
    EXPECT_EQ(marks(), (std::vector<bool>{false, true, true, false, true}));
    EXPECT_EQ(changes, 1); // one signal for the whole column
    EXPECT_EQ(form->scanHost().keepRule(), KeepRule::CheckNewer);

    // The check box is the one thing the user changes by hand, until the next switch.
    EXPECT_TRUE(results().setData(results().index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(results().isChecked(1));
    click("RadioGroup1Item0");
    EXPECT_EQ(marks(), (std::vector<bool>{true, true, false, true, false}));

    // The newest copy of group 1 deleted: the newest left keeps the unchecked mark.
    results().removeRows(2, 1);
    click("RadioGroup1Item1");
    click("RadioGroup1Item0");
    EXPECT_EQ(marks(), (std::vector<bool>{true, false, true, false}));
}

TEST(ResultModelTest, KeepRuleOnEdgeLists)
{
    ResultModel model;
    int changes = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changes; });
    model.applyKeepRule(KeepRule::CheckNewer);
    EXPECT_EQ(changes, 0);

    std::vector<ResultRow> rows(1); // a group of one keeps its only file either way
    rows[0].group = 4;
    model.appendRows(rows);
    for (KeepRule rule : {KeepRule::CheckOlder, KeepRule::CheckNewer}) {
        model.setChecked(0, true);
        model.applyKeepRule(rule);
        EXPECT_FALSE(model.isChecked(0)) << int(rule);
    }
}

// Rows enter the list as members of their groups: a group going on from the
// rows there already re-marks its last row, and a group already whole keeps
// its marks, even those set by hand.
TEST(ResultModelTest, ArrivingRowsAreMarkedWithTheGroupTheyJoin)
{
    ResultModel model;
    int firstChanged = -1;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex &topLeft) { firstChanged = topLeft.row(); });
    auto arrive = [&](KeepRule rule, std::vector<int> groups) {
        const int first = model.rowCount();
        std::vector<ResultRow> rows(groups.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i].group = groups[i];
        model.appendRows(rows);
        model.applyKeepRule(rule, first);
    };
    auto marks = [&] {
        std::vector<bool> out;
        for (int i = 0; i < model.rowCount(); ++i)
            out.push_back(model.isChecked(i));
        return out;
    };
    arrive(KeepRule::CheckOlder, {1, 1, 2});
    EXPECT_EQ(marks(), (std::vector<bool>{true, false, false}));
    model.setChecked(1, true);
    arrive(KeepRule::CheckOlder, {2, 2, 3});
    EXPECT_EQ(marks(), (std::vector<bool>{true, true, true, true, false, false}));
    EXPECT_EQ(firstChanged, 2); // the row re-marked is repainted too
    model.setChecked(5, true);
    arrive(KeepRule::CheckNewer, {4, 4});
    EXPECT_EQ(marks(), (std::vector<bool>{true, true, true, true, false, true, false, true}));
    EXPECT_EQ(firstChanged, 6);
}

TEST_F(MainWindowTest, RowsOnTheirWayAreReMarkedToo)
{
    TempTree tree;
    tree.writePairs("many", 300);
    addFolder(tree.path("many"));
    click("PNGButton10");
    waitForRowsInTransit(40);
    ASSERT_EQ(results().rowCount(), 0);
    click("RadioGroup1Item1");
    ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning(); }));

    ASSERT_EQ(results().rowCount(), 600);
    for (int i = 0; i < 600; i += 2) {
        EXPECT_FALSE(results().isChecked(i)) << i; // the oldest copy stays
        EXPECT_TRUE(results().isChecked(i + 1)) << i;
    }
    EXPECT_EQ(summaries().size(), 1u);
}

TEST_F(MainWindowTest, RowMarkedJustBeforeARuleChangeIsReMarkedWithItsGroup)
{
    WindowScanHost &host = form->scanHost();
    auto worker = [&](const std::function<void()> &work) {
        std::thread thread(work);
        thread.join();
    };
    auto addRow = [&](const char *path) {
        ResultRow row;
        row.path = path;
        row.group = 1;
        host.addResultRow(row); // marked by the rule read before: the last so far, unchecked
    };
    worker([&] {
        EXPECT_EQ(host.keepRule(), KeepRule::CheckOlder);
        addRow("/older");
    });
    ASSERT_TRUE(WaitUntil([&] { return results().rowCount() == 1; }));
    // The rule changes while the scan still holds the mark it read earlier.
    click("RadioGroup1Item1");
    click("RadioGroup1Item0");
    worker([&] { addRow("/newer"); });
    ASSERT_TRUE(WaitUntil([&] { return results().rowCount() == 2; }));
    EXPECT_EQ(marks(), (std::vector<bool>{true, false})); // one copy kept, as if both were present
}

// In the hour that repeats when the clocks go back, the older copy can read
// later than the newer: rows follow the time, not its text, so Check Older
// Files checks the older copy; each row shows its own local time.
TEST_F(MainWindowTest, CopiesInTheRepeatedHourFollowTheirTimeNotItsText)
{
    ScopedTimeZone zone("America/New_York");
    TempTree tree;
    tree.writeCopies("same", {"t/older.txt", "t/newer.txt"});
    tree.setTime("t/older.txt", 1793511600); // 2026-11-01 05:40 UTC, 01:40 daylight time
    tree.setTime("t/newer.txt", 1793513400); // 06:10 UTC, 01:10 standard time
    addFolder(tree.path("t"));
    scanToEnd();
    ASSERT_EQ(rowPaths(), (std::vector<std::string>{tree.path("t/older.txt"), tree.path("t/newer.txt")}));
    const QString shown[] = {"2026/11/01 01:40:00", "2026/11/01 01:10:00"};
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(results().data(results().index(i, ResultModel::TimeColumn)).toString(), shown[i]) << i;
    EXPECT_EQ(marks(), (std::vector<bool>{true, false}));
}

TEST_F(MainWindowTest, SummaryComesAfterEveryRowWithTheWindowsCount)
{
    WindowScanHost &host = form->scanHost();
    int rowsAtSummary = -1;
    dialogs.onBox = [&] { rowsAtSummary = results().rowCount(); };
    std::thread worker([&] {
        host.setProgressMaximum(50);
        host.setProgressPosition(5000); // clamped to the maximum
        EXPECT_EQ(host.progressPosition(), 50);
        host.setProgressPosition(-3);
        EXPECT_EQ(host.progressPosition(), 0);
        for (int i = 0; i < 30000; ++i) {
            ResultRow row;
            row.path = "/f" + std::to_string(i);
            row.group = i / 2 + 1;
            host.addResultRow(std::move(row));
        }
        host.setElapsedText("00:00:01:12");
        host.showSummary({15000, 0, 0});
    });
    worker.join();
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.boxes.empty(); }));
    EXPECT_EQ(rowsAtSummary, 30000);
    EXPECT_EQ(dialogs.boxes[0].text,
              "15000 duplicate groups and 30000 duplicate files found\n"
              "The checked files take 0 bytes.");
    EXPECT_EQ(results().row(29999).path, "/f29999");
    EXPECT_EQ(child<QLabel>("Label1")->text(), "00:00:01:12");
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 0);

    // What could not be read is said, so an empty result is no false all-clear.
    std::thread([&] { host.showSummary({0, 1, 0}); }).join();
    ASSERT_TRUE(WaitUntil([&] { return dialogs.boxes.size() == 2; }));
    EXPECT_EQ(dialogs.boxes[1].text,
              "0 duplicate groups and 30000 duplicate files found\n"
              "The checked files take 0 bytes.\n"
              "1 folder or file could not be read.");
}

TEST_F(MainWindowTest, AScanEndedByAnErrorSaysSoAndListsOnlyWholeGroups)
{
    TempTree tree;
    WriteTwoGroups(tree, "scan");
    RowFailingHost failing(form->scanHost(), 4); // the second row of the second group
    const auto joinFirst = qScopeGuard([&] { form.reset(); });
    form->setJobHost(failing);
    addFolder(tree.path("scan"));
    scanToEnd();
    EXPECT_TRUE(summaries().empty()); // no congratulation for a failure
    const auto boxes = boxTexts(kEndedEarlyCaption);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              QString::fromStdString(EndedEarlyText("not enough memory") + "\n" + SummaryText(1, 3)
                                     + "\nThe checked files take 10 bytes."));
    ASSERT_EQ(results().rowCount(), 3);
    EXPECT_EQ(results().groupCount(), 1);
    EXPECT_TRUE(child<QWidget>("PNGButton10")->isEnabled());
}

TEST_F(MainWindowTest, ScanDisablesScanAndDeleteUntilStopEndsItWithASummary)
{
    click("PNGButton11"); // Stop before any scan only raises the flag
    EXPECT_TRUE(form->StopFlag());
    TempTree tree;
    tree.writePairs("many", 2000); // enough that Stop lands well before the end
    addFolder(tree.path("many"));
    const char *const scanAndDelete[] = {"PNGButton1", "PNGButton10", "PNGButton5", "PNGButton12"};
    std::map<std::string, QImage> idleLooks;
    for (const char *name : scanAndDelete)
        idleLooks[name] = child<QWidget>(name)->grab().toImage();

    click("PNGButton1");
    ASSERT_TRUE(form->scanRunning());
    EXPECT_FALSE(form->StopFlag()); // cleared by the new scan
    for (const char *name : scanAndDelete) {
        EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
        EXPECT_EQ(child<TPNGButton>(name)->ButtonState(), TPNGButtonState::Disabled) << name;
        // The disabled look is what gets painted: a faded glyph and a grey caption.
        EXPECT_NE(child<QWidget>(name)->grab().toImage(), idleLooks[name]) << name;
    }
    for (const char *name : {"DeletetoRecycle1", "DeleteForever1"})
        EXPECT_FALSE(child<QAction>(name)->isEnabled()) << name;
    for (const char *name : {"PNGButton4", "PNGButton11", "PNGButton13", "PNGButton15"})
        EXPECT_TRUE(child<QWidget>(name)->isEnabled()) << name;
    click("PNGButton10"); // refused while the job runs: no second job, no reset
    click("PNGButton4");
    EXPECT_TRUE(form->StopFlag());
    ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning(); }));
    EXPECT_EQ(summaries().size(), 1u); // a stopped scan still reports
    EXPECT_LT(results().rowCount(), 4000);
    EXPECT_TRUE(form->StopFlag());
    for (const char *name : scanAndDelete) {
        EXPECT_TRUE(child<QWidget>(name)->isEnabled()) << name;
        EXPECT_EQ(child<TPNGButton>(name)->ButtonState(), TPNGButtonState::Normal) << name;
        EXPECT_EQ(child<QWidget>(name)->grab().toImage(), idleLooks[name]) << name;
    }
    EXPECT_TRUE(child<QAction>("DeleteForever1")->isEnabled());

    scanToEnd();
    EXPECT_EQ(results().rowCount(), 4000);
}

TEST_F(MainWindowTest, HelpAndHomeOpenTheirAddressesOrSaySoWhenTheyCannot)
{
    recordOpenedUrls();
    click("PNGButton6");
    click("PNGButton9");
    ASSERT_EQ(opened.size(), 2u);
    const QString helpPage = QCoreApplication::applicationDirPath() + "/varnok.html";
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(helpPage));
    EXPECT_TRUE(QFileInfo::exists(opened[0].toLocalFile())); // the build puts the page there
    QFile page(helpPage);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains(QByteArray("<h1>Varnok ") + kVarnokVersion + "</h1>"));
    EXPECT_EQ(opened[1], QUrl("https://varnok.example.org/"));
    EXPECT_TRUE(dialogs.boxes.empty());

    // No browser: the user learns it, and where to look instead.
    desktopCanOpen = false;
    click("PNGButton6");
    click("PNGButton9");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, "The desktop could not open\n" + helpPage);
    EXPECT_EQ(dialogs.boxes[1].text, "The desktop could not open\nhttps://varnok.example.org/");
    EXPECT_EQ(dialogs.boxes[1].caption, "Note:");
}

TEST_F(MainWindowTest, ClosingDuringAScanAbortsItAndTheWindowGoesAfterIt)
{
    SKIP_UNLESS_FUSE();
    TempTree tree;
    // Two large copies behind a mount that waits before every call and keeps
    // its holes to itself: reading them takes far longer than the test.
    for (const char *name : {"src/a.bin", "src/b.bin"}) {
        tree.write(name, "");
        ASSERT_EQ(::truncate(tree.path(name).c_str(), off_t(8) << 30), 0);
    }
    tree.mkdir("mnt");
    FuseMount::Options options;
    options.latencyMs = 20;
    FuseMount mount(tree.path("src"), tree.path("mnt"), options);
    ASSERT_TRUE(mount.mounted());
    addFolder(mount.path());
    form->show();
    click("PNGButton10");
    auto *bar = child<QProgressBar>("ProgressBar1");
    ASSERT_TRUE(WaitUntil([&] { return bar->maximum() == 2; })); // comparing contents now
    QTest::qWait(200);
    ASSERT_TRUE(form->scanRunning());
    form->close();
    EXPECT_FALSE(form->isVisible());
    // Told to end, the scan ends on its own, long before the files could be
    // read, and says nothing; only then does the window go.
    ASSERT_TRUE(WaitUntil([&] { return form->scanThreadEnded(); }));
    form.reset();
    EXPECT_TRUE(summaries().empty());
}

TEST_F(MainWindowTest, ClosingNeverWaitsForAStuckScan)
{
    TempTree tree;
    WriteTwoGroups(tree, "scan");
    StuckHost stuck(form->scanHost());
    const auto freeTheJob = qScopeGuard([&] {
        stuck.release();
        form.reset(); // joins the job before the host it uses goes
    });
    form->setJobHost(stuck);
    addFolder(tree.path("scan"));
    form->show();
    click("PNGButton10");
    ASSERT_TRUE(WaitUntil([&] { return stuck.holdsThread(); }));

    // Were closing to wait for the job, only this watchdog would end the wait.
    std::atomic<bool> closed{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 60000 && !closed.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stuck.release();
    });
    form->close();
    const bool heldThroughClose = stuck.holdsThread();
    closed.store(true);
    watchdog.join();
    EXPECT_TRUE(heldThroughClose);
    EXPECT_FALSE(form->isVisible());

    // Released, the job sees it was told to end, and ends without a word.
    ASSERT_TRUE(WaitUntil([&] { return form->scanThreadEnded() && !form->scanRunning(); }));
    EXPECT_TRUE(summaries().empty());
}

// A mount whose read never answers, or whose status never answers while the
// folders are measured: Stop ends the scan anyway, with what reached the list.
TEST_F(MainWindowTest, StopEndsAScanStuckOnAMountThatNeverAnswers)
{
    SKIP_UNLESS_FUSE();
    for (const bool stuckWhileMeasuring : {false, true}) {
        SCOPED_TRACE(stuckWhileMeasuring ? "status" : "read");
        TempTree tree;
        tree.writePairs("src/pairs", 3);
        tree.writeCopies("same size", {"src/stuck", "src/twin1"});
        tree.mkdir("mnt");
        FuseMount::Options options;
        (stuckWhileMeasuring ? options.hangGetattr : options.hangRead) = "stuck";
        FuseMount mount(tree.path("src"), tree.path("mnt"), options);
        ASSERT_TRUE(mount.mounted());
        folders()->clear();
        addFolder(tree.path("mnt"));
        dialogs.boxes.clear();
        click("PNGButton10");
        QTest::qWait(500); // the stuck call is waiting by now
        ASSERT_TRUE(form->scanRunning());

        QElapsedTimer sinceStop;
        sinceStop.start();
        click("PNGButton11");
        ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning(); }));
        EXPECT_LT(sinceStop.elapsed(), 500);
        ASSERT_EQ(summaries().size(), 1u);
        const int groups = results().groupCount();
        const std::string checked
            = FormatByteSize(results().checkedTotal().bytes); // what reached the list is said in full
        EXPECT_EQ(
            summaries()[0],
            QString::fromStdString(SummaryText(groups, results().rowCount())
                                   + (results().rowCount() > 0 ? "\nThe checked files take " + checked + "." : "")));
        for (const char *name : {"PNGButton1", "PNGButton10", "PNGButton5", "PNGButton12"})
            EXPECT_TRUE(child<QWidget>(name)->isEnabled()) << name;
        const int rows = results().rowCount();
        QTest::qWait(100); // nothing more comes from the scan left behind
        EXPECT_EQ(results().rowCount(), rows);
        EXPECT_EQ(summaries().size(), 1u);
        EXPECT_FALSE(form->scanThreadEnded());
    } // the mount goes: the stuck call fails and the thread left behind ends
    ASSERT_TRUE(WaitUntil([&] { return form->scanThreadEnded(); }));
}
