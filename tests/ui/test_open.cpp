// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// "Open" and "Open Containing Folder" from the result list's popup menu. The
// file manager is asked over a bus of the test's own, which starts no
// program; what the desktop would open is recorded instead of opened.
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TempTree.h"
#include "ui/FileManagerItems.h"

#include <QDBusConnection>
#include <QMenu>
#include <QTableView>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace
{

// A message bus of the test's own with no services to start: nothing the
// program asks for can make a real application appear.
class PrivateBus
{
public:
    explicit PrivateBus(const TempTree &tree)
    {
        const std::string socket = tree.path("bus");
        const std::string config = tree.path("bus.conf");
        FILE *file = std::fopen(config.c_str(), "w");
        if (!file)
            return;
        std::fprintf(file,
                     "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:path=%s</listen><auth>EXTERNAL</auth>\n"
                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy>"
                     "</busconfig>\n",
                     socket.c_str());
        std::fclose(file);
        const std::string configArg = "--config-file=" + config;
        char *argv[] = {const_cast<char *>("dbus-daemon"), const_cast<char *>(configArg.c_str()),
                        const_cast<char *>("--nofork"), nullptr};
        // Quiet, and holding none of the test's output open after it ends.
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = ::posix_spawnp(&daemon_, "dbus-daemon", &quiet, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            daemon_ = -1;
            return;
        }
        address_ = "unix:path=" + socket;
        for (int waited = 0; waited < 10000 && ::access(socket.c_str(), F_OK) != 0; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~PrivateBus()
    {
        for (const QString &name : names_)
            QDBusConnection::disconnectFromBus(name);
        if (daemon_ > 0) {
            ::kill(daemon_, SIGTERM);
            ::waitpid(daemon_, nullptr, 0);
        }
    }
    // A connection of its own to the bus; not connected when there is no bus.
    QDBusConnection connect(const QString &name)
    {
        names_ << name;
        // The socket's file appears when the daemon binds it, a moment before
        // it listens: a busy machine may refuse the first tries.
        for (int waited = 0;; waited += 10) {
            QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(address_), name);
            if (connection.isConnected() || daemon_ <= 0 || waited >= 10000)
                return connection;
            QDBusConnection::disconnectFromBus(name);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

private:
    pid_t daemon_ = -1;
    std::string address_;
    QStringList names_;
};

// Answers ShowItems as a file manager would, and keeps what it was asked.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QString startupId;
public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList &uris, const QString &startup)
    {
        shown << uris;
        startupId = startup;
    }
};

class OpenTest : public MainWindowFixture
{
protected:
    TempTree tree;
    std::string file;

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        file = tree.write("photos/caf\xe9 beach.jpg", "not really a picture");
        listRows({file});
        recordOpenedUrls();
    }
    // The popup menu opened over the row (or below every row), then closed
    // again: its entries act on that row.
    void popUpOver(int row)
    {
        auto *view = child<QTableView>("ListView2");
        const QPoint at
            = row >= 0 ? view->visualRect(results().index(row, 1)).center() : QPoint(5, view->viewport()->height() - 5);
        emit view->customContextMenuRequested(at);
        child<QMenu>("PopupMenu1")->hide();
    }
    // Asks over the named connection, looked up at each request: the window
    // holds no connection after the bus has gone.
    void useBus(const QString &connection)
    {
        form->setItemShower([this, connection](const QUrl &url, std::function<void(bool)> answered) {
            ShowItemInFileManager(QDBusConnection(connection), url, form.get(), std::move(answered));
        });
    }
    QUrl folderUrl() const { return QUrl::fromEncoded(QByteArray::fromStdString("file://" + tree.path("photos"))); }
};

#define SKIP_UNLESS_DBUS_DAEMON()                                                                                      \
    if (std::system("command -v dbus-daemon >/dev/null 2>&1") != 0)                                                    \
    GTEST_SKIP() << "dbus-daemon is missing"

} // namespace

TEST_F(OpenTest, OpenAsksTheDesktopForTheFileAndActsOnlyOnARow)
{
    popUpOver(0);
    EXPECT_TRUE(child<QAction>("Open1")->isEnabled());
    trigger("Open1");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toEncoded(), "file://" + QByteArray::fromStdString(tree.path("photos/caf%E9%20beach.jpg")));

    popUpOver(-1);
    EXPECT_FALSE(child<QAction>("Open1")->isEnabled());
    EXPECT_FALSE(child<QAction>("OpenContainingFolder1")->isEnabled());
    trigger("Open1");
    trigger("OpenContainingFolder1");
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(OpenTest, TheFileManagerOnTheBusShowsTheFileSelected)
{
    SKIP_UNLESS_DBUS_DAEMON();
    PrivateBus bus(tree);
    QDBusConnection window = bus.connect("window"), manager = bus.connect("file-manager");
    ASSERT_TRUE(window.isConnected() && manager.isConnected());
    FakeFileManager fileManager;
    ASSERT_TRUE(
        manager.registerObject("/org/freedesktop/FileManager1", &fileManager, QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(manager.registerService("org.freedesktop.FileManager1"));
    useBus("window");
    popUpOver(0);
    trigger("OpenContainingFolder1");
    ASSERT_TRUE(WaitUntil([&] { return !fileManager.shown.isEmpty(); }));
    QTest::qWait(100); // its answer has come back
    EXPECT_EQ(fileManager.shown,
              QStringList{QString::fromStdString("file://" + tree.path("photos/caf%E9%20beach.jpg"))});
    EXPECT_TRUE(opened.empty()); // the folder is not opened besides
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(OpenTest, WithoutAFileManagerTheFolderItselfIsOpenedAndAFailureIsSaid)
{
    SKIP_UNLESS_DBUS_DAEMON();
    PrivateBus bus(tree);
    QDBusConnection window = bus.connect("window");
    ASSERT_TRUE(window.isConnected());
    useBus("window");
    popUpOver(0);
    trigger("OpenContainingFolder1");
    ASSERT_TRUE(WaitUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<QUrl>{folderUrl()});
    EXPECT_TRUE(dialogs.boxes.empty());

    // No bus at all answers at once the same way; the desktop failing too is said.
    useBus("never-connected");
    desktopCanOpen = false;
    trigger("OpenContainingFolder1");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], folderUrl());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Note:");
    EXPECT_EQ(dialogs.boxes[0].text, "The desktop could not open\n" + QString::fromStdString(tree.path("photos")));
}

#include "test_open.moc"
