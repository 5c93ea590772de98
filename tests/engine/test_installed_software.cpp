// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/FileDeletion.h"
#include "engine/ScanTexts.h"
#include "platform/DirectoryReader.h"
#include "tests/support/ScanFixture.h"

#include <cstdlib>

namespace
{

using V = std::vector<std::string>;

// A developer's home: virtual environments, npm projects, conda, caches and
// toolchains, and the user's own copies beside them.
class DeveloperHome : public ScanFixture
{
protected:
    std::string home = tree.mkdir("home");

    // The home's own software list, as the machine's trees carry it.
    void useHomesSoftware() { systemTrees = SoftwareTreesOf(home); }
    FolderStanding standingOf(ScanBoundary &boundary, const std::string &relative)
    {
        DirectoryReader dir;
        EXPECT_TRUE(dir.open(tree.path(relative))) << relative;
        return boundary.listedFolder(dir.fd());
    }
};

} // namespace

TEST_F(DeveloperHome, ListsOnlyTheUsersOwnCopiesAndCountsTheSoftwarePassedBy)
{
    for (const char *venv : {"home/proj/.venv", "home/tools/env"})
        if (std::system(("python3 -m venv --without-pip '" + tree.path(venv) + "' >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << "python3 -m venv is not available here";
    tree.writeCopies("an installed package", {"home/proj/.venv/lib/site/pkg.py", "home/tools/env/lib/site/pkg.py"});
    tree.writeCopies("pad", {"home/web1/node_modules/left-pad/index.js", "home/web2/node_modules/left-pad/index.js"});
    tree.writeCopies("==> 2026 <==", {"home/miniconda3/conda-meta/history", "home/envs/data/conda-meta/history"});
    tree.writeCopies("a library", {"home/miniconda3/lib/libz.so", "home/envs/data/lib/libz.so"});
    tree.writeCopies("rust", {"home/.rustup/toolchains/stable/libstd.rlib", "home/.cargo/registry/cache/std.crate"});
    tree.writeCopies("six",
                     {"home/.pyenv/versions/3.12/lib/six.py", "home/.local/lib/python3.12/site-packages/six.py"});
    tree.writeCopies("cached", {"home/.npm/_cacache/content", "home/web1/node_modules/.cache/content"});
    tree.write("home/.cache/thumbnails/photo.jpg", "a photo");
    // The user's own, beside the software: sources, a download, a document.
    tree.writeCopies("the user's code", {"home/web1/src/app.js", "home/web2/src/app.js"});
    tree.writeCopies("{}", {"home/web1/package.json", "home/web2/package.json"});
    tree.writeCopies("a photo", {"home/Downloads/photo.jpg", "home/Pictures/photo.jpg"});
    tree.writeCopies("notes", {"home/proj/notes.txt", "home/proj/notes copy.txt"});
    for (const char *file :
         {"home/proj/notes.txt", "home/proj/notes copy.txt", "home/Downloads/photo.jpg", "home/Pictures/photo.jpg"})
        tree.setTime(file, 1500000000);
    useHomesSoftware();

    const V mine{"home/Downloads/photo.jpg", "home/Pictures/photo.jpg", "home/proj/notes copy.txt",
                 "home/proj/notes.txt",      "home/web1/package.json",  "home/web1/src/app.js",
                 "home/web2/package.json",   "home/web2/src/app.js"};
    EXPECT_EQ(walk({home}), mine);
    scan({home});
    V found;
    for (const std::string &row : rows())
        found.push_back(row.substr(row.find(':') + 1));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, mine);
    // Two environments, two node_modules, two conda trees, and the cache,
    // rustup, cargo's registry, pyenv, npm's cache and pip's user packages.
    EXPECT_EQ(host.lastSummary.softwareFolders, 12);
    EXPECT_EQ(host.lastSummary.systemFolders, 0);

    // Listed by themselves, however deep, they are passed by as well.
    host.rows.clear();
    scan({tree.path("home/proj/.venv/lib"), tree.path("home/web1/node_modules/left-pad"),
          tree.path("home/.cache/thumbnails"), tree.path("home/Downloads"), tree.path("home/Pictures")});
    EXPECT_EQ(rows(), (V{"1:home/Downloads/photo.jpg", "1:home/Pictures/photo.jpg"}));
    EXPECT_EQ(host.lastSummary.softwareFolders, 3);

    // Deletion asks the same rule before a file goes.
    ScanBoundary boundary(*systemTrees);
    EXPECT_EQ(standingOf(boundary, "home/envs/data/lib"), FolderStanding::System);
    for (const char *file : {"home/proj/.venv/lib/site/pkg.py", "home/.cache/thumbnails/photo.jpg"}) {
        const std::string path = tree.path(file);
        EXPECT_EQ(ShellDeleteFile(path, StatPathNoFollow(path).identity, false, {&boundary, {}, {}, {}}),
                  RemovalOutcome::Protected)
            << file;
        EXPECT_TRUE(PathExists(path)) << file;
    }
}

// A deletion killed midway leaves a file under the program's in-transit name
// beside the copy it kept: never offered, and counted so the user can look.
TEST_F(DeveloperHome, FilesLeftUnderTheInTransitNameAreNeverOfferedButCounted)
{
    tree.writeCopies("a photo", {"home/photo.jpg", "home/.varnok-deleting-4242-0"});
    tree.writeCopies("notes", {"home/notes.txt", "home/.varnok-deleting-notes.txt"}); // the user's own name
    tree.setTimes({"home/notes.txt", "home/.varnok-deleting-notes.txt"}, 1500000000);
    scan({home});
    EXPECT_EQ(rows(), (V{"1:home/.varnok-deleting-notes.txt", "1:home/notes.txt"}));
    EXPECT_EQ(host.lastSummary.inTransitFiles[kDeletingKind], 1);
    EXPECT_EQ(walk({home}), (V{"home/.varnok-deleting-notes.txt", "home/notes.txt", "home/photo.jpg"}));
}

// A link killed midway leaves a name of its own kind: counted and named by
// what left it, apart from a deletion's.
TEST_F(DeveloperHome, LeftoversAreNamedByWhatLeftThem)
{
    tree.writeCopies("a photo",
                     {"home/photo.jpg", "home/.varnok-linking-4242-0", "home/.varnok-linking-4242-1",
                      "home/.varnok-deleting-4242-2"});
    scan({home});
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(host.lastSummary.inTransitFiles[kLinkingKind], 2);
    EXPECT_EQ(host.lastSummary.inTransitFiles[kDeletingKind], 1);
    EXPECT_EQ(SummaryNotes(host.lastSummary),
              "\n1 file named .varnok-deleting-... was left by a deletion that did not finish; it was not offered."
              "\n2 files named .varnok-linking-... were left by hard links that did not finish; they were not "
              "offered.");
}
