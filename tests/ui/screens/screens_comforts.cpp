// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// What a person sees before acting, photographed on an X server (Xvfb): the
// result list with its names in view, a picture's tooltip, the popup menu's
// entries, the summary and a confirmation with their sizes, and the folder
// chooser as it opens. The confirmation is answered No: nothing is deleted.
// Run through comforts-screens, which makes the machine read-only around
// the test's folder first. The pictures go to $VARNOK_SCREENS_DIR.
#include "tests/support/PhotographedDialogs.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempTree.h"
#include "ui/FolderChooser.h"
#include "ui/RadioGroup.h"
#include "ui/ResultModel.h"
#include "ui/ThumbnailLoader.h"
#include "ui/Unit1.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace
{

// A photo-like picture: a sky, a sea and a sun.
void WritePhoto(const std::string &path, int width, int height)
{
    QImage photo(width, height, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, height * 0.6);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(250, 180, 120));
    painter.fillRect(0, 0, width, int(height * 0.6), sky);
    painter.fillRect(0, int(height * 0.6), width, height, QColor(20, 70, 120));
    painter.setBrush(QColor(255, 220, 90));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.65, height * 0.55), height * 0.12, height * 0.12);
    painter.end();
    ASSERT_TRUE(photo.save(QString::fromStdString(path), "JPG", 90));
}

class ComfortsScreens : public ::testing::Test
{
protected:
    TempTree tree;
    PhotographedDialogs dialogs;
    std::unique_ptr<TForm1> form;

    void SetUp() override { SKIP_UNLESS_X_SERVER(); }
    void TearDown() override { form.reset(); }

    // A home of photos with a backup, repeated downloads and documents.
    void writeHome()
    {
        const std::string bills(48213, 'b'), report(731004, 'r');
        for (const char *folder : {"ann/Pictures/2023/Summer holidays", "ann/Backup/Pictures/2023/Summer holidays"})
            tree.mkdir(folder);
        WritePhoto(tree.path("ann/Pictures/2023/Summer holidays/IMG_1031.jpg"), 1600, 1200);
        WritePhoto(tree.path("ann/Pictures/2023/Summer holidays/IMG_1044.jpg"), 1200, 1600);
        for (const char *name : {"IMG_1031.jpg", "IMG_1044.jpg"})
            tree.write(std::string("ann/Backup/Pictures/2023/Summer holidays/") + name,
                       FileContent(tree.path(std::string("ann/Pictures/2023/Summer holidays/") + name)));
        tree.writeCopies(bills,
                         {"ann/Downloads/invoice-2025 (1).pdf", "ann/Downloads/invoice-2025 (2).pdf",
                          "ann/Documents/Accounts/Household/invoice-2025.pdf"});
        tree.writeCopies(
            report,
            {"ann/Documents/Work/Reports/quarterly report final.odt", "ann/Downloads/quarterly report final.odt"});
        std::int64_t time = 1690000000;
        for (const char *file :
             {"ann/Documents/Accounts/Household/invoice-2025.pdf", "ann/Downloads/invoice-2025 (1).pdf",
              "ann/Downloads/invoice-2025 (2).pdf", "ann/Pictures/2023/Summer holidays/IMG_1031.jpg",
              "ann/Pictures/2023/Summer holidays/IMG_1044.jpg", "ann/Backup/Pictures/2023/Summer holidays/IMG_1031.jpg",
              "ann/Backup/Pictures/2023/Summer holidays/IMG_1044.jpg",
              "ann/Documents/Work/Reports/quarterly report final.odt", "ann/Downloads/quarterly report final.odt"})
            tree.setTime(file, time += 86400 * 3);
    }
    void scan()
    {
        form = std::make_unique<TForm1>(dialogs);
        dialogs.confirmAnswer = QMessageBox::No;
        dialogs.next = "summary-with-size.png";
        QCursor::setPos(0, 0);
        ASSERT_TRUE(ShowAndScan(*form, dialogs, {tree.path("ann")}));
        ASSERT_TRUE(WaitUntil([&] { return dialogs.answered == 1; }));
    }
    QTableView *list() { return form->findChild<QTableView *>("ListView2"); }
    int rowOf(const std::string &relative)
    {
        for (int i = 0; i < form->resultModel().rowCount(); ++i)
            if (form->resultModel().path(i) == tree.path(relative))
                return i;
        ADD_FAILURE() << "no row for " << relative;
        return 0;
    }
    QPoint rowCentre(int row)
    {
        const QRect cell = list()->visualRect(form->resultModel().index(row, 1));
        return list()->viewport()->mapToGlobal(cell.center());
    }
    // Where the path begins: a tooltip shown there fits on the screen.
    QPoint pathStart(int row)
    {
        const QRect cell = list()->visualRect(form->resultModel().index(row, 0));
        return list()->viewport()->mapToGlobal(QPoint(cell.left() + 60, cell.center().y()));
    }
    // The window and whatever lies beside it below and to the right.
    QRect windowAnd(int right, int below)
    {
        const QRect frame = form->frameGeometry();
        return frame.adjusted(0, 0, right, below).intersected(QGuiApplication::primaryScreen()->geometry());
    }
};

} // namespace

TEST_F(ComfortsScreens, TheListTheTooltipThePopupTheSummaryAndTheConfirmation)
{
    writeHome();
    scan();
    ASSERT_EQ(form->resultModel().rowCount(), 9);
    EXPECT_EQ(dialogs.shots, QStringList{"summary-with-size.png"});
    form->repaint();
    QTest::qWait(300);
    EXPECT_TRUE(SaveShot(Grab(form->frameGeometry()), "window-names.png"));

    // A picture's tooltip: the pointer rests on the photo's row.
    const int photo = rowOf("ann/Backup/Pictures/2023/Summer holidays/IMG_1031.jpg");
    QCursor::setPos(pathStart(photo));
    QTest::qWait(100);
    const QPoint at = list()->viewport()->mapFromGlobal(pathStart(photo));
    QHelpEvent help(QEvent::ToolTip, at, pathStart(photo));
    QCoreApplication::sendEvent(list()->viewport(), &help);
    auto *loader = form->findChild<ThumbnailLoader *>("ThumbnailLoader");
    ASSERT_TRUE(WaitUntil([&] { return !loader->reading(); }));
    QTest::qWait(700);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains("<img"));
    EXPECT_TRUE(SaveShot(Grab(windowAnd(110, 0)), "tooltip-thumbnail.png"));
    QToolTip::hideText();

    // The popup menu over a row, with its entries of its own at the end.
    auto *menu = form->findChild<QMenu *>("PopupMenu1");
    const int invoice = rowOf("ann/Downloads/invoice-2025 (2).pdf");
    list()->selectRow(invoice);
    QCursor::setPos(0, 0);
    emit list()->customContextMenuRequested(list()->viewport()->mapFromGlobal(rowCentre(invoice)));
    QTest::qWait(500);
    ASSERT_TRUE(menu->isVisible());
    menu->setActiveAction(form->findChild<QAction *>("OpenContainingFolder1"));
    QTest::qWait(300);
    EXPECT_TRUE(SaveShot(Grab(windowAnd(80, 0)), "popup-open.png"));
    menu->hide();
    list()->clearSelection();

    // Deleting for good asks with the figures first; the answer is No.
    form->findChild<QRadioButton *>("RadioGroup2Item1")->click();
    dialogs.next = "confirmation-with-size.png";
    QTest::mouseClick(form->findChild<QWidget *>("PNGButton12"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return dialogs.answered == 3 && !form->deletionRunning(); })); // and the summary
    EXPECT_EQ(dialogs.shots, (QStringList{"summary-with-size.png", "confirmation-with-size.png"}));
    EXPECT_EQ(form->resultModel().rowCount(), 9); // nothing went
    for (int i = 0; i < form->resultModel().rowCount(); ++i)
        EXPECT_TRUE(PathExists(std::string(form->resultModel().path(i))));
}

TEST_F(ComfortsScreens, TheChooserAsItOpens)
{
    tree.mkdir("home/ann/Documents");
    tree.mkdir("home/ann/Downloads");
    tree.mkdir("home/ann/Pictures");
    const ScopedEnv home("HOME", tree.path("home/ann"));
    FolderChooser chooser("Please select a folder:");
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    QTest::qWait(1500); // the tree has listed the folders on the way home
    EXPECT_TRUE(SaveShot(Grab(chooser.frameGeometry()), "chooser-opening.png"));
}
