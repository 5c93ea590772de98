// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// What users of any desktop file tool reach for: whole paths on hover, a
// double click that opens, folders dropped from a file manager, Tab that
// leaves the lists, a folder chooser that writes nothing, a true help page.
#include "tests/support/MainWindowFixture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempTree.h"
#include "ui/FolderChooser.h"
#include "ui/FolderListView.h"
#include "ui/PathElision.h"
#include "ui/TImage.h"
#include "ui/controls/PNGButton.h"

#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>

#include <set>

namespace
{

class ComfortsTest : public MainWindowFixture
{
protected:
    QTableView *resultList() { return child<QTableView>("ListView2"); }

    // Shown and active, so that keys and double clicks reach the controls.
    void showActive()
    {
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
};

// The text a tooltip puts on screen, markup or not.
QString ShownText(const QString &toolTip)
{
    if (!Qt::mightBeRichText(toolTip))
        return toolTip;
    QTextDocument document;
    document.setHtml(toolTip);
    return document.toPlainText();
}

// Drops the data where Qt would deliver it: on the first widget from the
// list's viewport up that accepts drops.
Qt::DropAction Drop(FolderListView *list, const QMimeData &data, Qt::DropActions offered)
{
    QWidget *target = list->viewport();
    while (target && !target->acceptDrops())
        target = target->parentWidget();
    if (!target)
        return Qt::IgnoreAction;
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

QUrl RawFileUrl(const std::string &path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

// The folder chooser's parts a user works with.
struct ChooserParts {
    explicit ChooserParts(const QWidget *chooser)
        : tree(chooser->findChild<QTreeView *>("FolderTree")), places(chooser->findChild<QListWidget *>("Places")),
          path(chooser->findChild<QLineEdit *>("FolderPath"))
    {
    }
    QTreeView *tree;
    QListWidget *places;
    QLineEdit *path;

    // Whether the folder is the tree's current row, and in view.
    bool shows(const QString &folder) const
    {
        const QModelIndex current = tree->currentIndex();
        return current.data(QFileSystemModel::FilePathRole).toString() == folder
            && tree->visualRect(current).intersects(tree->viewport()->rect());
    }
    // Clicks the Home place; false when there is none.
    bool clickHome() const
    {
        QListWidgetItem *home = places->findItems("Home", Qt::MatchExactly).value(0);
        if (home)
            QTest::mouseClick(places->viewport(), Qt::LeftButton, {}, places->visualItemRect(home).center());
        return home;
    }
};

} // namespace

TEST_F(ComfortsTest, EveryRowShowsItsWholePathOnHoverAsTheListShowsIt)
{
    const std::vector<std::string> paths
        = {"/data/caf\xe9/a long name that the column cuts off.txt", "/data/<b>bold</b>.txt"};
    listRows(paths, 5);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < ResultModel::ColumnCount; ++column) {
            const QString tip = results().data(results().index(row, column), Qt::ToolTipRole).toString();
            EXPECT_EQ(ShownText(tip), results().data(results().index(row, 0)).toString()) << row << column;
        }
    EXPECT_TRUE(results().data(results().index(0, 0)).toString().startsWith("/data/caf"));

    for (const std::string &path : paths)
        folders()->appendFolder(QByteArray::fromStdString(path));
    for (int row = 0; row < 2; ++row) {
        QTreeWidgetItem *item = folders()->topLevelItem(row);
        EXPECT_EQ(ShownText(item->toolTip(0)), item->text(0)) << row;
    }
    folders()->topLevelItem(0)->setText(0, "/edited");
    EXPECT_EQ(folders()->topLevelItem(0)->toolTip(0), "/edited");
}

TEST(PathElisionTest, TheFileNameAndItsFoldersEndStayInView)
{
    const QFontMetrics metrics(QApplication::font());
    const QString deep = "/home/ann/Documents/Accounts/Business/Invoices/2025/";
    const QString first = deep + "invoice-2025 (1).pdf", second = deep + "invoice-2025 (2).pdf";
    EXPECT_EQ(ElidePath(first, metrics, metrics.horizontalAdvance(first)), first); // fits: whole
    const int width = metrics.horizontalAdvance(first) * 3 / 5;
    const QString a = ElidePath(first, metrics, width), b = ElidePath(second, metrics, width);
    EXPECT_NE(a, b);
    for (const QString &shown : {a, b}) {
        EXPECT_LE(metrics.horizontalAdvance(shown), width) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    }
    EXPECT_TRUE(a.endsWith("/invoice-2025 (1).pdf")) << a.toStdString();
    EXPECT_TRUE(a.contains("25/invoice")) << a.toStdString(); // the folder's end

    // A name too long for the column alone keeps its beginning and its end.
    const QString longName = "/a/" + QString(80, 'x') + ".jpg";
    const QString cut = ElidePath(longName, metrics, 120);
    EXPECT_LE(metrics.horizontalAdvance(cut), 120);
    EXPECT_TRUE(cut.endsWith(".jpg")) << cut.toStdString();
    EXPECT_TRUE(cut.startsWith("xx")) << cut.toStdString();
}

// Blank rows and rows that are no whole path are named before any scan; a
// folder that is not there is named in the summary.
TEST_F(ComfortsTest, ScanNowNamesFolderRowsThatAreNoFolders)
{
    TempTree tree;
    const std::string real = tree.mkdir("real");
    tree.writeCopies("same", {"real/a", "real/b"});
    for (const char *row : {"/x", "", "relative/dir", "/y"})
        folders()->appendFolder(row);
    folders()->topLevelItem(3)->setText(0, "   "); // edited to blank in place
    click("PNGButton10");
    EXPECT_FALSE(form->scanRunning());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Note:");
    EXPECT_EQ(dialogs.boxes[0].text,
              "Folder row 2 is blank.\n"
              "Folder row 3, \"relative/dir\", is not a whole path from \"/\".\n"
              "Folder row 4 is blank.\n"
              "Type a folder's whole path into each, or remove it, and scan again.");

    folders()->clearFolders();
    dialogs.boxes.clear();
    for (const std::string &row : {real, tree.path("gone"), tree.write("a file", "x")})
        folders()->appendFolder(QByteArray::fromStdString(row));
    click("PNGButton10");
    ASSERT_TRUE(WaitUntil([&] { return !form->scanRunning(); }));
    EXPECT_EQ(summaries(),
              std::vector<QString>{
                  QString::fromStdString("1 duplicate groups and 2 duplicate files found\n"
                                         "The checked files take 4 bytes.\n\""
                                         + tree.path("gone") + "\" was not searched: there is no folder there.\n\""
                                         + tree.path("a file") + "\" was not searched: there is no folder there.")});
}

TEST_F(ComfortsTest, DoubleClickOpensTheFileAndSaysWhenTheDesktopCannot)
{
    TempTree tree;
    const std::string plain = tree.write("plain name.txt", "hello");
    const std::string raw = tree.write("caf\xe9.txt", "hello");
    listRows({plain, raw}, 5);
    recordOpenedUrls();
    showActive();
    auto doubleClick = [&](int row) {
        QTableView *view = resultList();
        const QRect cell = view->visualRect(results().index(row, ResultModel::SizeColumn));
        // As the window system delivers it: a click, then the second press as a double click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    };
    doubleClick(0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile().toStdString(), plain);
    EXPECT_TRUE(dialogs.boxes.empty());

    desktopCanOpen = false;
    doubleClick(1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[1].toEncoded().endsWith("/caf%E9.txt")); // every byte of the name
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "The desktop could not open\n" + results().data(results().index(1, 0)).toString());
    EXPECT_EQ(dialogs.boxes[0].caption, "Note:");
}

TEST_F(ComfortsTest, DroppedFoldersJoinTheListAndEverythingElseIsIgnored)
{
    TempTree tree;
    const std::string first = tree.mkdir("first");
    const std::string raw = tree.mkdir("caf\xe9");
    const std::string file = tree.write("file.txt", "x");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(first) + "/"),
                  QUrl::fromLocalFile(QString::fromStdString(file)), QUrl("https://example.org/folder/"),
                  QUrl("file://elsewhere" + QString::fromStdString(first)), RawFileUrl(raw),
                  QUrl::fromLocalFile(QString::fromStdString(tree.path("missing")))});
    folders()->appendFolder("/already");
    // Taken as a copy: a move would let the file manager remove the folders.
    EXPECT_EQ(Drop(folders(), data, Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(folders()->folders(), (std::vector<std::string>{"/already", first, raw}));

    EXPECT_EQ(Drop(folders(), data, Qt::MoveAction), Qt::IgnoreAction);
    QMimeData filesOnly;
    filesOnly.setUrls({QUrl::fromLocalFile(QString::fromStdString(file)), QUrl("https://example.org/")});
    EXPECT_EQ(Drop(folders(), filesOnly, Qt::CopyAction), Qt::IgnoreAction);
    QMimeData text;
    text.setText(QString::fromStdString(first));
    EXPECT_EQ(Drop(folders(), text, Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(folders()->folderCount(), 3);
}

TEST_F(ComfortsTest, TabMovesBetweenControlsAndArrowsMoveInsideTheLists)
{
    listRows({"/a", "/b", "/c"}, 5);
    folders()->appendFolder("/x");
    folders()->appendFolder("/y");
    showActive();
    QTableView *list = resultList();
    list->setFocus();
    list->setCurrentIndex(results().index(0, 0));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().row(), 1);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>("Edit1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(list->currentIndex().row(), 1); // leaving and coming back moved no row

    // Round the window: every list, the filter and both radio groups, nothing else.
    folders()->setFocus();
    std::set<QString> visited;
    for (int i = 0; i < 10 && visited.insert(QApplication::focusWidget()->objectName()).second; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(visited, (std::set<QString>{"ListView1", "RadioGroup1Item0", "RadioGroup2Item0", "ListView2", "Edit1"}));
    EXPECT_EQ(QApplication::focusWidget(), folders());
    QTest::keyClick(folders(), Qt::Key_Down);
    EXPECT_EQ(folders()->currentIndex().row(), 1);
}

TEST_F(ComfortsTest, ImageButtonsAreNamedForScreenReaders)
{
    for (TPNGButton *button : form->findChildren<TPNGButton *>()) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr) << button->objectName().toStdString();
        EXPECT_EQ(accessible->role(), QAccessible::PushButton);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << button->objectName().toStdString();
    }
    QAccessibleInterface *addFolder = QAccessible::queryAccessibleInterface(child<TPNGButton>("PNGButton2"));
    EXPECT_EQ(addFolder->text(QAccessible::Name), "Add Folder");
    // Pressed by a screen reader, it does what a click does.
    addFolder->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(dialogs.prompts, QStringList{"Please select a folder:"});
}

TEST_F(ComfortsTest, PicturesHaveTheirDoubleResolutionForScaledScreens)
{
    for (TPNGButton *button : form->findChildren<TPNGButton *>()) {
        EXPECT_TRUE(button->ImageNormal().HasDoubleResolution()) << button->objectName().toStdString();
        button->setEnabled(false);
        EXPECT_TRUE(button->ImageDisabled().HasDoubleResolution()) << button->objectName().toStdString();
    }
    for (const char *name : {"Image1", "Image7"})
        EXPECT_TRUE(child<TImage>(name)->Picture().HasDoubleResolution()) << name;
}

TEST_F(ComfortsTest, HelpPageSaysWhatTheProgramDoes)
{
    QFile page(QCoreApplication::applicationDirPath() + "/varnok.html");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll()).simplified();
    EXPECT_FALSE(text.contains("checksum", Qt::CaseInsensitive)); // the bytes are compared
    EXPECT_TRUE(text.contains("byte for byte"));
    EXPECT_TRUE(text.contains("moves them to your desktop's Trash"));
}

// The real chooser, driven as a user would, with a home and configuration of
// the test's own: nothing may appear there.
TEST(FolderChooserTest, OpensAtTheTopWithHomeOneClickAwayAndWritesNothing)
{
    TempTree tree;
    const std::string home = tree.mkdir("home");
    const std::string config = tree.mkdir("config");
    const ScopedEnv homeEnv("HOME", home), configEnv("XDG_CONFIG_HOME", config);
    const QString oldWorking = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(tree.mkdir("working")));

    QString pathAtStart, chosenPlace;
    QTimer::singleShot(0, [&] {
        auto *chooser = qobject_cast<FolderChooser *>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        const ChooserParts parts(chooser);
        ASSERT_TRUE(parts.tree && parts.places && parts.path);
        pathAtStart = parts.path->text();
        // The top of the file system is the tree's one top row.
        const QModelIndex top = parts.tree->model()->index(0, 0, parts.tree->rootIndex());
        EXPECT_EQ(parts.tree->model()->rowCount(parts.tree->rootIndex()), 1);
        EXPECT_EQ(top.data(QFileSystemModel::FilePathRole).toString(), "/");
        EXPECT_TRUE(parts.tree->isExpanded(top));
        ASSERT_TRUE(parts.clickHome());
        chosenPlace = parts.path->text();
        chooser->accept();
    });
    QtUserDialogs dialogs;
    const QByteArray chosen = dialogs.pickFolder(nullptr, "Please select a folder:");
    EXPECT_TRUE(pathAtStart.isEmpty()); // nothing chosen, not even the working folder
    EXPECT_EQ(chosenPlace.toStdString(), home);
    EXPECT_EQ(chosen.toStdString(), home);
    EXPECT_TRUE(QDir(QString::fromStdString(config)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(QDir(QString::fromStdString(home)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QDir::setCurrent(oldWorking);
}

// Enter on a chooser that has just opened must not add anything, "/" least of all.
TEST(FolderChooserTest, OpensAtHomeWithNothingChosenAndOkDisabledUntilAFolderIs)
{
    TempTree tree;
    const QString home = QDir::cleanPath(QString::fromStdString(tree.mkdir("home/ann")));
    tree.mkdir("home/ann/Pictures");
    const ScopedEnv homeEnv("HOME", home.toStdString());
    FolderChooser chooser("Pick");
    chooser.show();
    QApplication::setActiveWindow(&chooser);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chooser));
    const ChooserParts parts(&chooser);
    QTreeView *view = parts.tree;
    QLineEdit *path = parts.path;
    QPushButton *ok = chooser.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    ASSERT_TRUE(WaitUntil([&] { return parts.shows(home); }));
    view->setFocus(); // as Tab or a click on the tree gives it
    QTest::qWait(100);
    EXPECT_TRUE(view->selectionModel()->selectedRows().isEmpty());
    EXPECT_TRUE(path->text().isEmpty());
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_TRUE(chooser.isVisible());
    EXPECT_TRUE(chooser.chosenFolder().isEmpty());

    // Moving on from home picks a folder, and OK takes it.
    view->expand(view->currentIndex());
    ASSERT_TRUE(WaitUntil([&] { return view->model()->rowCount(view->currentIndex()) == 1; }));
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(path->text(), home + "/Pictures");
    EXPECT_TRUE(ok->isEnabled());

    // "/" on purpose.
    path->setText("/");
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    EXPECT_EQ(chooser.chosenFolder(), "/");
}

TEST(FolderChooserTest, ConfirmsOnlyAnExistingFolderByAbsolutePath)
{
    TempTree tree;
    const std::string folder = tree.mkdir("some/where");
    FolderChooser chooser("Pick");
    auto *path = chooser.findChild<QLineEdit *>("FolderPath");
    for (const QString &typed : {QString("relative/where"), QString::fromStdString(tree.path("nothing")),
                                 QString::fromStdString(tree.write("file", "x"))}) {
        path->setText(typed);
        chooser.accept();
        EXPECT_EQ(chooser.result(), QDialog::Rejected) << typed.toStdString();
    }
    path->setText(QString::fromStdString(folder) + "//");
    chooser.accept();
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    EXPECT_EQ(chooser.chosenFolder().toStdString(), folder);
}

// The tree lists folders in the background: the home folder, far below the
// top, must still end up chosen and in view once the listing settles.
TEST(FolderChooserTest, HomeIsBroughtIntoViewDeepBelowTheTop)
{
    TempTree tree;
    std::string deep = "d";
    for (int level = 0; level < 12; ++level) {
        for (const char *sibling : {"/a", "/b", "/c"}) // rows above the way down
            tree.mkdir(deep + sibling);
        deep += "/d" + std::to_string(level);
    }
    deep = tree.mkdir(deep);
    const QString home = QDir::cleanPath(QString::fromStdString(deep));
    const ScopedEnv homeEnv("HOME", deep);
    FolderChooser chooser("Pick");
    chooser.show();
    const ChooserParts parts(&chooser);
    ASSERT_TRUE(parts.clickHome());
    // Listing every level takes a while; then nothing may move it away.
    for (int waited = 0; waited < 10000 && !parts.shows(home); waited += 20)
        QTest::qWait(20);
    QTest::qWait(300);
    EXPECT_TRUE(parts.shows(home));
    EXPECT_EQ(parts.path->text(), home);
    chooser.accept();
    EXPECT_EQ(chooser.chosenFolder(), home);
}
