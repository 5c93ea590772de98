// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// "/" added and deleted from as root, as a user with a root shell would. It
// only runs where nothing can be lost: inside the throw-away mount namespace
// that tests/ui/root-delete-check makes, with "/" read-only but for one
// folder. Everywhere else it skips.
#include "tests/support/MainWindowFixture.h"
#include "ui/RadioGroup.h"

#include <QRadioButton>

#include <cstdlib>
#include <sys/statvfs.h>
#include <unistd.h>

namespace
{

// The system's trees by their text, as a check independent of the program's own rule.
bool LooksLikeSystemPath(const std::string &path)
{
    for (const char *top : {"/usr/", "/etc/", "/boot/", "/efi/", "/bin/", "/sbin/", "/lib/", "/lib32/", "/lib64/",
                            "/libx32/", "/opt/", "/snap/", "/nix/", "/gnu/"})
        if (path.rfind(top, 0) == 0)
            return true;
    // Files directly in "/" and the run-time files are the system's too.
    if (path.find('/', 1) == std::string::npos || path.rfind("/run/", 0) == 0)
        return true;
    return path.rfind("/var/", 0) == 0 && path.rfind("/var/tmp/", 0) != 0 && path.rfind("/var/home/", 0) != 0;
}

// Installed software and stores by the names they are usually kept under.
bool LooksLikeSoftwareOrStore(const std::string &path)
{
    for (const char *part : {"/node_modules/", "/site-packages/", "/.git/", "/.cache/", "/.pyenv/", "/.rustup/",
                             "/.npm/", "/.cargo/registry/", "/.local/share/Trash/"})
        if (path.find(part) != std::string::npos)
            return true;
    return false;
}

bool RootIsReadOnly()
{
    struct statvfs vfs;
    return ::statvfs("/", &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0;
}

} // namespace

using RootScan = MainWindowFixture;

TEST_F(RootScan, DeletingAfterAddingTheWholeSystemTakesNoSystemFile)
{
    const char *folder = std::getenv("VARNOK_ROOT_CHECK_FOLDER");
    if (!folder || ::geteuid() != 0 || !RootIsReadOnly())
        GTEST_SKIP() << "runs only as root inside tests/ui/root-delete-check's read-only namespace";
    const std::string mine = std::string(folder) + "/mine";
    ASSERT_EQ(std::system(
                  ("mkdir -p '" + mine + "' && echo copy > '" + mine + "/a' && echo copy > '" + mine + "/b'").c_str()),
              0);
    addFolder("/");
    click("PNGButton10");
    for (int minute = 0; minute < 20 && form->scanRunning(); ++minute)
        WaitUntil([&] { return !form->scanRunning(); });
    ASSERT_FALSE(form->scanRunning());
    std::size_t offered = 0, mineOffered = 0;
    for (const std::string &path : rowPaths()) {
        if (LooksLikeSystemPath(path) || LooksLikeSoftwareOrStore(path) ? ++offered <= 20 : false)
            std::cout << "offered: " << path << "\n";
        mineOffered += path.rfind(mine + "/", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(offered, 0u) << "rows of system files or installed software";
    EXPECT_EQ(mineOffered, 2u);
    std::cout << "rows: " << results().rowCount() << "\n";

    dialogs.boxes.clear();
    click("PNGButton12"); // Delete, to the Recycle Bin
    for (int minute = 0; minute < 20 && form->deletionRunning(); ++minute)
        WaitUntil([&] { return !form->deletionRunning(); });
    ASSERT_FALSE(summaries().empty());
    std::cout << "summary: " << summaries().back().toStdString() << "\n";
    EXPECT_NE(::access((mine + "/a").c_str(), F_OK) == 0, ::access((mine + "/b").c_str(), F_OK) == 0)
        << "one copy of the pair went, one stayed";
}
