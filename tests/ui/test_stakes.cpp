// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// How much the checked files take, told before anything is done: the total
// the list keeps as marks change and rows come and go, the Delete buttons'
// tooltips, the scan summary's line and the confirmations.
#include "platform/FormatByteSize.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempTree.h"
#include "ui/FolderProtection.h"
#include "ui/RadioGroup.h"

#include <QItemSelectionModel>
#include <QRadioButton>
#include <QTableView>

#include <random>

namespace
{

CheckedTotal CountedFromScratch(const ResultModel &model)
{
    CheckedTotal total;
    for (int i = 0; i < model.rowCount(); ++i)
        if (model.isChecked(i))
            total.add(model.fileSize(i));
    return total;
}

::testing::AssertionResult KeptRight(const ResultModel &model)
{
    const CheckedTotal kept = model.checkedTotal(), counted = CountedFromScratch(model);
    if (kept == counted)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "kept " << kept.files << " files, " << kept.bytes << " bytes; counted "
                                         << counted.files << " files, " << counted.bytes << " bytes";
}

std::vector<ResultRow> Groups(std::mt19937 &random, int firstGroup, int groups)
{
    std::vector<ResultRow> rows;
    for (int g = firstGroup; g < firstGroup + groups; ++g) {
        const int members = 1 + int(random() % 4);
        const std::int64_t size = std::int64_t(random() % 5000) * 1000003; // some beyond 32 bits
        for (int m = 0; m < members; ++m) {
            ResultRow row;
            row.path = "/g" + std::to_string(g) + "/" + std::to_string(m);
            row.group = g;
            row.identity.size = size;
            row.checked = random() % 2 == 0; // as a rule switched on the way might have left it
            rows.push_back(row);
        }
    }
    return rows;
}

class StakesTest : public MainWindowFixture
{
protected:
    TempTree tree;
    ScopedEnv dataHome{"XDG_DATA_HOME", tree.path("data")};

    QString deleteTip() { return child<QWidget>("PNGButton12")->toolTip(); }
};

} // namespace

// Every way the list changes, in a random order, against a count from scratch.
TEST(CheckedTotalTest, StaysTheCountFromScratchWhateverChangesTheList)
{
    std::mt19937 random(35);
    ResultModel model;
    int nextGroup = 1;
    for (int step = 0; step < 400; ++step) {
        const int n = model.rowCount();
        switch (random() % 7) {
        case 0: { // a batch of rows from the scan, marked by the rule in force
            std::vector<ResultRow> rows = Groups(random, nextGroup, 1 + int(random() % 20));
            nextGroup = rows.back().group + 1;
            model.appendRows(rows);
            model.applyKeepRule(KeepRule::CheckOlder, n);
            break;
        }
        case 1: // the user's own clicks, protected copies refused
            for (int k = 0; k < 5 && n > 0; ++k)
                model.setData(model.index(int(random() % n), 0), random() % 2 ? Qt::Checked : Qt::Unchecked,
                              Qt::CheckStateRole);
            break;
        case 2:
            model.applyKeepRule(random() % 2 ? KeepRule::CheckOlder : KeepRule::CheckNewer);
            break;
        case 3: // a folder protected, then the list re-marked as protection does
            for (int k = 0; k < 5 && n > 0; ++k)
                model.setProtection(int(random() % n), random() % 2 == 0, 1);
            model.applyKeepRule(KeepRule::CheckNewer);
            break;
        case 4: { // deleted rows, scattered
            std::vector<int> leaving;
            for (int i = 0; i < n; ++i)
                if (random() % 5 == 0)
                    leaving.push_back(i);
            model.removeRowSet(leaving);
            break;
        }
        case 5:
            if (n > 0)
                model.dropGroupsAfter(model.group(int(random() % n)));
            break;
        default:
            if (random() % 10 == 0)
                model.clear();
        }
        ASSERT_TRUE(KeptRight(model)) << "after step " << step;
    }
}

TEST_F(StakesTest, DeleteTooltipsAndTheSummaryTellTheCheckedFilesAsMarksChange)
{
    EXPECT_EQ(deleteTip(), "No file is checked.");
    const std::string kilobyte(1500, 'k');
    tree.writeCopies(kilobyte, {"scan/a.dat", "scan/b.dat", "scan/c.dat"});
    tree.writeCopies("hello", {"scan/d.txt", "scan/e.txt"});
    tree.mkdir("data");
    addFolder(tree.path("scan"));
    scanToEnd();
    ASSERT_EQ(results().rowCount(), 5);
    EXPECT_EQ(summaries(),
              std::vector<QString>{"2 duplicate groups and 5 duplicate files found\n"
                                   "The checked files take 2.93 KB."});
    EXPECT_EQ(deleteTip(), "3 checked files take 2.93 KB.");
    EXPECT_EQ(child<QWidget>("PNGButton5")->toolTip(), deleteTip()); // the top band's Delete too

    results().setData(results().index(4, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(deleteTip(), "4 checked files take 4.4 KB.");
    child<QRadioButton>("RadioGroup1Item1")->click();
    EXPECT_EQ(deleteTip(), "3 checked files take 2.93 KB.");
    EXPECT_TRUE(KeptRight(results()));

    // A protected copy is never checked: here every copy is.
    folders()->setFoldersProtected({0}, true);
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    EXPECT_EQ(deleteTip(), "No file is checked."); // every copy is in it
    EXPECT_TRUE(KeptRight(results()));
    folders()->setFoldersProtected({0}, false);
    ASSERT_TRUE(WaitUntil([&] { return form->folderProtection().settled(); }));
    EXPECT_EQ(deleteTip(), "3 checked files take 2.93 KB.");

    // Deleted rows leave the total; for good, inside the test's folder.
    child<QRadioButton>("RadioGroup2Item1")->click();
    dialogs.answers = {true};
    run([&] { click("PNGButton12"); });
    EXPECT_EQ(dialogs.questions,
              QStringList{"3 checked files take 2.93 KB.\nThe Checked Files will be deleted "
                          "directly and will not be recoveryed. Continue?"});
    EXPECT_EQ(results().rowCount(), 2);
    EXPECT_EQ(deleteTip(), "No file is checked.");
    EXPECT_TRUE(KeptRight(results()));
}

TEST_F(StakesTest, ConfirmationsSayHowManyFilesAndHowMuch)
{
    std::vector<ResultRow> rows = {{"/x/1", 1, 0, true, false, {1, 1, 5}},
                                   {"/x/2", 1, 0, false, false, {1, 2, 5}},
                                   {"/x/3", 2, 0, true, false, {1, 3, 3221225472}},
                                   {"/x/4", 2, 0, false, false, {1, 4, 3221225472}}};
    results().appendRows(rows);
    child<QRadioButton>("RadioGroup2Item1")->click();
    click("PNGButton12"); // answered No: nothing happens
    select({"/x/2"});
    trigger("DeleteForever1");
    select({"/x/1", "/x/4"});
    trigger("DeleteForever1");
    trigger("HardLinks1");
    const QString ever = "\nThe Selected Files will be deleted directly and will not be recoveryed. Continue?";
    EXPECT_EQ(
        dialogs.questions,
        (QStringList{"2 checked files take 3 GB.\nThe Checked Files will be deleted directly and will not be "
                     "recoveryed. Continue?",
                     "1 selected file takes 5 bytes." + ever, "2 selected files take 3 GB." + ever,
                     "2 files in 2 groups, 3 GB in all, will be replaced with hard links to their group's "
                     "kept copy. The files become one file under several names: a change through one name "
                     "shows under every name. The linked paths take the kept copy's modification time. Continue?"}));
    EXPECT_EQ(results().rowCount(), 4);
}
