// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// A picture's thumbnail in the result list's tooltip: read off the window's
// thread, one read at a time, none once the pointer has left, and never a
// wait for a share that stopped answering.
#include "tests/support/EventLoopWatch.h"
#include "tests/support/FuseMount.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TempTree.h"
#include "ui/ThumbnailLoader.h"

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QImage>
#include <QRegularExpression>
#include <QTableView>
#include <QToolTip>

#include <cstdio>

namespace
{

class ThumbnailTest : public MainWindowFixture
{
protected:
    TempTree tree;

    QTableView *view() { return child<QTableView>("ListView2"); }
    ThumbnailLoader *loader() { return child<ThumbnailLoader>("ThumbnailLoader"); }
    // The pointer rests on the row: the tooltip is asked for there. How long
    // the window took to answer.
    qint64 hover(int row)
    {
        const QPoint at = view()->visualRect(results().index(row, 1)).center();
        QMouseEvent move(QEvent::MouseMove, at, view()->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(view()->viewport(), &move);
        QHelpEvent help(QEvent::ToolTip, at, view()->viewport()->mapToGlobal(at));
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(view()->viewport(), &help);
        return clock.elapsed();
    }
    void leave()
    {
        QEvent left(QEvent::Leave);
        QCoreApplication::sendEvent(view()->viewport(), &left);
    }
    void settle()
    {
        ASSERT_TRUE(WaitUntil([&] { return !loader()->reading(); }));
        QCoreApplication::processEvents();
    }
};

// The picture a tooltip carries, decoded; null when it carries none.
QImage PictureIn(const QString &toolTip)
{
    const QRegularExpressionMatch found
        = QRegularExpression("src=\"data:image/png;base64,([A-Za-z0-9+/=]+)\"").match(toolTip);
    if (!found.hasMatch())
        return {};
    return QImage::fromData(QByteArray::fromBase64(found.captured(1).toLatin1()), "PNG");
}

} // namespace

TEST_F(ThumbnailTest, APictureShowsAboveItsPathAndOtherFilesShowThePathAlone)
{
    QImage wide(1000, 500, QImage::Format_RGB32);
    wide.fill(Qt::red);
    const std::string picture = tree.path("pics/<wide> photo.PNG");
    tree.mkdir("pics");
    ASSERT_TRUE(wide.save(QString::fromStdString(picture), "PNG"));
    const std::string broken = tree.write("pics/broken.jpg", std::string(5000, 'x'));
    const std::string notes = tree.write("pics/notes.txt", "not a picture");
    listRows({picture, broken, notes});
    form->show();

    hover(0);
    settle();
    ASSERT_TRUE(QToolTip::isVisible());
    const QImage shown = PictureIn(QToolTip::text());
    EXPECT_EQ(shown.size(), QSize(256, 128)); // at most 256 either way, its shape kept
    EXPECT_EQ(shown.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_TRUE(QToolTip::text().contains(QString::fromStdString(picture).toHtmlEscaped()));
    EXPECT_EQ(loader()->readsStarted(), 1);

    // Asked again, it is at hand: no second read.
    QToolTip::hideText();
    hover(0);
    EXPECT_FALSE(PictureIn(QToolTip::text()).isNull());
    EXPECT_EQ(loader()->readsStarted(), 1);

    // A broken picture gives the path alone, and so does a file of another kind, unread.
    hover(1);
    settle();
    EXPECT_TRUE(PictureIn(QToolTip::text()).isNull());
    EXPECT_EQ(QToolTip::text(), QString::fromStdString(broken));
    hover(2);
    EXPECT_EQ(loader()->readsStarted(), 2);
    EXPECT_EQ(QToolTip::text(), QString::fromStdString(notes));
}

TEST_F(ThumbnailTest, APictureReadAfterThePointerLeftIsNotShownAndTheNextIsNotRead)
{
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::blue);
    tree.mkdir("pics");
    std::vector<std::string> paths;
    for (const char *name : {"pics/a.png", "pics/b.png"}) {
        paths.push_back(tree.path(name));
        ASSERT_TRUE(small.save(QString::fromStdString(paths.back()), "PNG"));
    }
    listRows(paths);
    form->show();
    hover(0);
    hover(1); // waits for the read in hand
    leave();
    settle();
    QTest::qWait(50);
    EXPECT_EQ(loader()->readsStarted(), 1);
    EXPECT_FALSE(loader()->cached(paths[1]).has_value());
    EXPECT_TRUE(PictureIn(QToolTip::text()).isNull());
}

// The share answers the listing but never a read of stuck.png.
TEST_F(ThumbnailTest, AReadThatHangsOnAShareNeverHoldsTheWindow)
{
    SKIP_UNLESS_FUSE();
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::green);
    tree.mkdir("src");
    tree.mkdir("mnt");
    for (const char *name : {"src/stuck.png", "src/other.png"})
        ASSERT_TRUE(small.save(QString::fromStdString(tree.path(name)), "PNG"));
    FuseMount::Options options;
    options.hangRead = "stuck.png";
    FuseMount share(tree.path("src"), tree.path("mnt"), options);
    ASSERT_TRUE(share.mounted());
    listRows({tree.path("mnt/stuck.png"), tree.path("mnt/other.png")});
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::qWait(200); // drawn once: the watch is for what the hovering does

    EventLoopWatch watch;
    EXPECT_LT(hover(0), 50);
    QTest::qWait(300);
    EXPECT_TRUE(loader()->reading());
    EXPECT_LT(hover(1), 50);
    QTest::qWait(300);
    EXPECT_EQ(loader()->readsStarted(), 1); // one read at a time
    leave();
    QTest::qWait(200);
    std::printf("longest block of the event loop: %.1f ms\n", watch.worstMs());
    EXPECT_LT(watch.worstMs(), 50.0);

    // The share goes away: the stuck read fails, and the file asked for
    // after it is not read, the pointer having left.
    share.unmount();
    settle();
    EXPECT_EQ(loader()->readsStarted(), 1);

    // A window closed with a read stuck does not wait for it.
    tree.mkdir("mnt2");
    FuseMount again(tree.path("src"), tree.path("mnt2"), options);
    ASSERT_TRUE(again.mounted());
    listRows({tree.path("mnt2/stuck.png")});
    QToolTip::hideText();
    hover(2);
    ASSERT_TRUE(WaitUntil([&] { return loader()->readsStarted() == 2; }));
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    form.reset();
    EXPECT_LT(clock.elapsed(), 50);
}
