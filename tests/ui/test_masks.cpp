// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The mask list and mask editor, driven as a user would: clicks on the check
// boxes and rows, the space bar, the buttons, the context menu and the close
// boxes; then the filter text they leave is fed to a real walk.
#include "engine/CollectFiles.h"
#include "engine/ScanContext.h"
#include "engine/uScanThread_Short.h"
#include "tests/support/CheckIndicator.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempTree.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <set>

namespace
{

const QString kSelectFirst = QStringLiteral("Please click to select a line first!");

enum class Answer { Ok, Cancel, CloseBox };

class MaskDialogs : public ::testing::Test
{
protected:
    ScriptedDialogs dialogs;
    QLineEdit filterEdit{QStringLiteral("*.*")}; // the main window's filter edit
    TForm2 list{dialogs};
    TForm3 *editor = new TForm3(list);
    QTreeWidget *view = list.ListView1;

    int editorOpenings = 0;
    MaskRow editorShowed;

    void SetUp() override { list.setFilterEdit(&filterEdit); }

    void showList()
    {
        list.show();
        QCoreApplication::processEvents();
        ASSERT_TRUE(list.isVisible());
    }
    void reshowList()
    {
        list.hide();
        showList();
    }

    int rows() const { return view->topLevelItemCount(); }
    QTreeWidgetItem *row(int index) const { return view->topLevelItem(index); }
    MaskRow texts(int index) const { return TForm2::RowTexts(row(index)); }

    // Indices of the checked rows.
    std::vector<int> checkedRows() const
    {
        std::vector<int> checked;
        for (int i = 0; i < rows(); ++i)
            if (row(i)->checkState(0) == Qt::Checked)
                checked.push_back(i);
        return checked;
    }

    // Where the style puts the row's check box, found independently of the dialog.
    QPoint checkBoxCentre(int index) const
    {
        const QModelIndex cell = view->model()->index(index, 0);
        const QRect box = CheckIndicatorRect(view, cell);
        EXPECT_FALSE(box.isEmpty());
        EXPECT_TRUE(view->visualRect(cell).contains(box));
        return box.center();
    }
    // A point of the row away from its check box: the middle of its masks.
    QPoint rowTextPoint(int index) const { return view->visualRect(view->model()->index(index, 1)).center(); }

    void clickCheckBox(int index) { QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkBoxCentre(index)); }
    void clickRow(int index, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rowTextPoint(index));
    }
    void doubleClick(QPoint at) { QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at); }
    void pressSpace() { QTest::keyClick(view, Qt::Key_Space); }
    static void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    // Answers the modal editor once it is up: notes what it shows, types the
    // texts and leaves it the chosen way.
    void answerEditor(Answer answer, const MaskRow &typed = {})
    {
        QTimer::singleShot(0, editor, [this, answer, typed] {
            if (!editor->isVisible())
                return;
            ++editorOpenings;
            editorShowed = {editor->LabeledEdit1->text(), editor->LabeledEdit2->text()};
            typeInto(editor->LabeledEdit1, typed.files);
            typeInto(editor->LabeledEdit2, typed.masks);
            if (answer == Answer::Ok)
                click(editor->BitBtn1);
            else if (answer == Answer::Cancel)
                click(editor->BitBtn2);
            else
                editor->close();
        });
    }

    // Opens the context menu on a row and picks one of its items.
    void contextMenu(int index, const QString &item)
    {
        const QPoint at = rowTextPoint(index);
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
        ASSERT_TRUE(list.PopupMenu1->isVisible());
        const QList<QAction *> actions = list.PopupMenu1->actions();
        const auto found = std::find_if(actions.begin(), actions.end(), [&](QAction *a) { return a->text() == item; });
        ASSERT_NE(found, actions.end());
        QTest::mouseClick(list.PopupMenu1, Qt::LeftButton, {}, list.PopupMenu1->actionGeometry(*found).center());
    }

    // The modal path: runs the step inside the list's own loop.
    int execList(std::function<void()> step)
    {
        QTimer::singleShot(0, &list, [this, step] {
            if (list.isVisible())
                step();
            if (list.isVisible()) // never leave the test hanging in exec
                list.reject();
        });
        return list.exec();
    }
};

TEST_F(MaskDialogs, StartsWithTheTenDefaultRowsUncheckedAndTheirLayout)
{
    const QStringList files = {"All Files",    "Adobe Acrobat Files", "JPG Files",   "MP3 Files",    "TXT File",
                               "Photo Images", "Video Files",         "Audio Files", "Office Files", "Web Files"};
    ASSERT_EQ(rows(), 10);
    for (int i = 0; i < rows(); ++i)
        EXPECT_EQ(texts(i).files, files[i]);
    EXPECT_EQ(texts(0).masks, "*.*");
    EXPECT_EQ(texts(2).masks, "*.JPG;*.JPEG");
    EXPECT_EQ(texts(4).masks, "*.TXT;*.RTF");
    EXPECT_TRUE(texts(5).masks.startsWith("*.BMP;*.GIF;") && texts(5).masks.endsWith(";*.SFW;*.WMF"));
    EXPECT_TRUE(texts(8).masks.contains("*.ADE;*.XL;*.XLA;*.XLS*;") && texts(8).masks.endsWith("*.DOC*;*.WRI"));
    EXPECT_EQ(texts(9).masks, "*.ASP;*.CSS;*.HTML;*.HTM;*.PHP;*.XHTML;*.JS");
    for (int i = 0; i < rows(); ++i)
        EXPECT_FALSE(texts(i).masks.endsWith(';')) << i;
    EXPECT_TRUE(checkedRows().empty());
    EXPECT_FALSE(list.EditMode);

    // Titles and texts the user reads.
    EXPECT_EQ(list.windowTitle(), "File Masks");
    EXPECT_EQ(view->headerItem()->text(0), "Files");
    EXPECT_EQ(view->headerItem()->text(1), "Masks");
    EXPECT_FALSE(list.Image1->pixmap().isNull());
    EXPECT_EQ(list.BitBtn3->text(), "Edit");
    EXPECT_EQ(list.BitBtn1->text(), "Remove");
    EXPECT_EQ(editor->windowTitle(), "Masks");
    const auto *label = editor->findChild<QLabel *>("LabeledEdit1Label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Description:   ");
    EXPECT_LE(label->geometry().right(), editor->LabeledEdit1->x()); // beside its edit, not over it
    EXPECT_EQ(editor->BitBtn2->text(), "Cancel");
}

TEST_F(MaskDialogs, MouseClicksOnCheckBoxesKeepTheFirstRowExclusive)
{
    showList();
    ASSERT_EQ(checkedRows(), std::vector<int>{0});

    clickCheckBox(2); // JPG Files clears All Files
    EXPECT_EQ(checkedRows(), (std::vector<int>{2}));
    clickCheckBox(3);
    EXPECT_EQ(checkedRows(), (std::vector<int>{2, 3}));
    clickCheckBox(3); // unchecking touches nothing else
    EXPECT_EQ(checkedRows(), (std::vector<int>{2}));
    clickCheckBox(3);
    clickCheckBox(7);
    clickCheckBox(0); // All Files clears every other row
    EXPECT_EQ(checkedRows(), (std::vector<int>{0}));
    clickCheckBox(0); // and unchecking it leaves nothing checked
    EXPECT_TRUE(checkedRows().empty());

    // Clicks beside the box select without checking.
    clickRow(4);
    EXPECT_TRUE(checkedRows().empty());
    EXPECT_TRUE(row(4)->isSelected());

    clickCheckBox(2);
    clickCheckBox(3);
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "*.JPG;*.JPEG;*.MP3;");
    EXPECT_FALSE(list.isVisible());

    // The next showing starts again from the first row alone.
    showList();
    EXPECT_EQ(checkedRows(), std::vector<int>{0});
    clickCheckBox(0);
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "");
}

TEST_F(MaskDialogs, SpaceTogglesTheCurrentRowAndLeavesTheOthers)
{
    showList();
    clickRow(2);
    pressSpace();
    EXPECT_EQ(checkedRows(), (std::vector<int>{0, 2}));
    clickRow(0);
    pressSpace();
    pressSpace(); // off and on again: the other rows stay
    EXPECT_EQ(checkedRows(), (std::vector<int>{0, 2}));
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "*.*;*.JPG;*.JPEG;");
}

TEST_F(MaskDialogs, RemoveNeedsASelectionAndTheNewFirstRowTakesOverUntilNoneIsLeft)
{
    showList();
    click(list.BitBtn1);
    EXPECT_EQ(dialogs.notices, QStringList{kSelectFirst});
    EXPECT_EQ(rows(), 10);

    clickRow(0);
    clickRow(4, Qt::ControlModifier);
    click(list.BitBtn1);
    ASSERT_EQ(rows(), 8);
    EXPECT_EQ(texts(0).files, "Adobe Acrobat Files");
    EXPECT_EQ(texts(3).files, "Photo Images");

    reshowList();
    EXPECT_EQ(checkedRows(), std::vector<int>{0});
    clickCheckBox(2); // MP3 Files clears the new first row
    EXPECT_EQ(checkedRows(), std::vector<int>{2});
    clickCheckBox(0);
    EXPECT_EQ(checkedRows(), std::vector<int>{0});
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "*.PDF;");

    // An emptied list writes nothing and asks for a selection.
    showList();
    clickRow(0);
    clickRow(rows() - 1, Qt::ShiftModifier);
    click(list.BitBtn1);
    ASSERT_EQ(rows(), 0);
    reshowList();
    click(list.BitBtn3);
    click(list.BitBtn1);
    doubleClick(QPoint(40, 40));
    EXPECT_EQ(dialogs.notices, QStringList(4, kSelectFirst));
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "");
}

TEST_F(MaskDialogs, EditOpensTheEditorOnTheFirstSelectedRowAndCancelOrCloseChangeNothing)
{
    showList();
    click(list.BitBtn3);
    EXPECT_EQ(dialogs.notices, QStringList{kSelectFirst});
    EXPECT_EQ(editorOpenings, 0);

    clickCheckBox(3);
    clickRow(5);
    clickRow(3, Qt::ControlModifier);
    answerEditor(Answer::Ok, {"Sounds", "*.OGG"});
    click(list.BitBtn3);
    ASSERT_EQ(editorOpenings, 1);
    EXPECT_TRUE(list.EditMode);
    EXPECT_EQ(editorShowed.files, "MP3 Files");
    EXPECT_EQ(editorShowed.masks, "*.MP3");
    EXPECT_EQ(texts(3).files, "Sounds");
    EXPECT_EQ(texts(3).masks, "*.OGG");
    EXPECT_EQ(texts(5).files, "Photo Images");
    EXPECT_EQ(checkedRows(), std::vector<int>{3}); // the edit keeps the mark
    EXPECT_EQ(rows(), 10);

    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "*.OGG;");

    // Cancel and the editor's close box change nothing.
    showList();
    clickRow(1);
    answerEditor(Answer::Cancel, {"x", "y"});
    click(list.BitBtn3);
    answerEditor(Answer::CloseBox, {"x", "y"});
    click(list.BitBtn2);
    EXPECT_EQ(editorOpenings, 3);
    EXPECT_FALSE(list.EditMode);
    EXPECT_EQ(editorShowed.files, ""); // Add starts empty even after an edit
    EXPECT_EQ(rows(), 10);
    EXPECT_EQ(texts(1).files, "Adobe Acrobat Files");
    EXPECT_EQ(texts(1).masks, "*.PDF");
}

TEST_F(MaskDialogs, AddedRowsJoinTheFilterAsTyped)
{
    showList();
    answerEditor(Answer::Ok, {"", ""});
    click(list.BitBtn2);
    answerEditor(Answer::Ok, {" Mine ", "*.ABC;"});
    click(list.BitBtn2);
    ASSERT_EQ(rows(), 12);
    EXPECT_EQ(texts(10).files, "");
    EXPECT_EQ(texts(11).files, " Mine ");
    EXPECT_EQ(row(11)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(row(11)->isSelected());

    clickCheckBox(10); // the empty row alone gives a lone ";"
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), ";");

    showList();
    clickCheckBox(11); // a trailing ";" is kept, not doubled
    clickCheckBox(3);
    click(list.Button1);
    EXPECT_EQ(filterEdit.text(), "*.MP3;*.ABC;");
}

TEST_F(MaskDialogs, DoubleClickAndTheContextMenuRunTheSameCommands)
{
    showList();
    answerEditor(Answer::Ok, {"Papers", "*.PDF;*.PS"});
    doubleClick(rowTextPoint(1));
    ASSERT_EQ(editorOpenings, 1);
    EXPECT_EQ(editorShowed.files, "Adobe Acrobat Files");
    EXPECT_EQ(texts(1).masks, "*.PDF;*.PS");

    answerEditor(Answer::Ok, {"Archives", "*.ZIP"});
    contextMenu(4, "Add");
    ASSERT_EQ(editorOpenings, 2);
    EXPECT_EQ(texts(10).files, "Archives");

    answerEditor(Answer::Ok, {"Text", "*.TXT"});
    contextMenu(4, "Edit");
    ASSERT_EQ(editorOpenings, 3);
    EXPECT_EQ(editorShowed.files, "TXT File");
    EXPECT_EQ(texts(4).files, "Text");

    contextMenu(2, "Remove");
    EXPECT_EQ(rows(), 10);
    EXPECT_EQ(texts(2).files, "MP3 Files");
    EXPECT_TRUE(dialogs.notices.isEmpty());
}

TEST_F(MaskDialogs, TheListsCloseBoxKeepsTheFilterAndOkOverwritesIt)
{
    filterEdit.setText("*.TXT");
    const int result = execList([&] {
        clickCheckBox(2);
        clickRow(9);
        click(list.BitBtn1);
        list.close();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(filterEdit.text(), "*.TXT");
    EXPECT_EQ(rows(), 9);

    // OK at once writes all files over what the user typed.
    EXPECT_EQ(execList([&] {
                  EXPECT_EQ(checkedRows(), std::vector<int>{0});
                  EXPECT_EQ(texts(8).files, "Office Files");
                  click(list.Button1);
              }),
              QDialog::Accepted);
    EXPECT_EQ(filterEdit.text(), "*.*;");
    EXPECT_FALSE(list.isVisible());
}

// What a scan run after OK takes in, seen through the walk itself.
class MaskFilterScan : public MaskDialogs
{
protected:
    TempTree tree;

    void SetUp() override
    {
        MaskDialogs::SetUp();
        tree.writeCopies(
            "x",
            {"photo.jpg", "scan.JPEG", "song.mp3", "deep/tune.Mp3", "notes.txt", "README", "crop.jp", "clip.mpeg"});
    }

    std::set<std::string> walk()
    {
        RecordingHost host;
        host.filter = filterEdit.text().toStdString();
        std::atomic<bool> abort{false};
        ScanContext context(host, abort);
        CandidateList found;
        CollectFiles(context, tree.root(), found);
        std::set<std::string> names;
        for (std::size_t i = 0; i < found.size(); ++i)
            names.insert(std::string(found.path(i)).substr(tree.root().size() + 1));
        return names;
    }
};

TEST_F(MaskFilterScan, TheWalkAcceptsWhatTheCheckedMasksLetThrough)
{
    execList([&] { click(list.Button1); });
    EXPECT_EQ(walk().size(), 8u); // "*.*;" takes everything, README too

    showList();
    clickCheckBox(2);
    clickCheckBox(3);
    click(list.Button1);
    ASSERT_EQ(filterEdit.text(), "*.JPG;*.JPEG;*.MP3;");
    // Extensions match as parts of the text: ".jp" is inside ".JPG".
    EXPECT_EQ(walk(), (std::set<std::string>{"photo.jpg", "scan.JPEG", "song.mp3", "deep/tune.Mp3", "crop.jp"}));

    showList();
    clickCheckBox(0);
    click(list.Button1);
    ASSERT_EQ(filterEdit.text(), "");
    EXPECT_TRUE(walk().empty());
}

} // namespace
