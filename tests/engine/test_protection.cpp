// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The first marks of a scan with folders protected: the protected copies
// stay, whatever the keep rule.
#include "ScanFixture.h"
#include "TestMount.h"

#include <unistd.h>

namespace
{

using V = std::vector<std::string>;

class Protection : public ScanFixture
{
protected:
    // A library, two scattered copies of its photo (one older, one newer), a
    // song kept twice in the library, and copies nobody protects.
    void writeLibrary(const std::string &top = "")
    {
        const std::string at = top.empty() ? "" : top + "/";
        writeAt(at + "lib/photo.jpg", "photo", 2000);
        writeAt(at + "old-phone/photo.jpg", "photo", 1000);
        writeAt(at + "downloads/photo.jpg", "photo", 3000);
        writeAt(at + "lib/song.mp3", "song!!", 1000);
        writeAt(at + "lib/sub/song.mp3", "song!!", 2000);
        writeAt(at + "a/notes.txt", "notes-nn", 1000);
        writeAt(at + "b/notes.txt", "notes-nn", 2000);
    }
    void writeAt(const std::string &relative, const std::string &content, int order)
    {
        tree.write(relative, content);
        tree.setTime(relative, 1000000000 + order);
    }
    // Rows as "[x] path" or "[ ] path", relative to `top`, in row order.
    V marks(const std::string &top = "") const
    {
        const std::string prefix = top.empty() ? tree.root() + "/" : top + "/";
        V out;
        for (const ResultRow &row : host.rows) {
            const std::string path = row.path.rfind(prefix, 0) == 0 ? row.path.substr(prefix.size()) : row.path;
            out.push_back((row.checked ? "[x] " : "[ ] ") + path);
        }
        return out;
    }
};

} // namespace

TEST_F(Protection, LibraryCopiesStayAndScatteredOnesGoUnderEitherRule)
{
    writeLibrary();
    host.protect({tree.path("lib")});
    scan();
    const V expected{"[x] old-phone/photo.jpg", "[ ] lib/photo.jpg",    "[x] downloads/photo.jpg",
                     "[ ] lib/song.mp3",        "[ ] lib/sub/song.mp3", // all protected: none offered, still listed
                     "[x] a/notes.txt",         "[ ] b/notes.txt"};     // nothing protected: the rule
    EXPECT_EQ(marks(), expected);
    EXPECT_EQ(host.summaryGroups, 3);
    for (const ResultRow &row : host.rows) {
        EXPECT_EQ(row.protectionSerial, 1u);
        EXPECT_EQ(row.inProtectedFolder, row.path.rfind(tree.path("lib/"), 0) == 0) << row.path;
    }

    host.rows.clear();
    host.rule = KeepRule::CheckNewer;
    scan();
    EXPECT_EQ(marks(),
              (V{"[x] old-phone/photo.jpg", "[ ] lib/photo.jpg", "[x] downloads/photo.jpg", "[ ] lib/song.mp3",
                 "[ ] lib/sub/song.mp3", "[ ] a/notes.txt", "[x] b/notes.txt"}));
}

// The protected folder is a subfolder of the listed one, the listed folder
// is a link to it, or the protected one is named by a link.
TEST_F(Protection, AFolderIsProtectedHoweverTheScanReachesIt)
{
    writeLibrary("t");
    tree.symlink(tree.path("t"), "link-to-t");
    tree.symlink(tree.path("t/lib"), "link-to-lib");
    const V expected{"[x] old-phone/photo.jpg", "[ ] lib/photo.jpg", "[x] downloads/photo.jpg", "[ ] lib/song.mp3",
                     "[ ] lib/sub/song.mp3",    "[x] a/notes.txt",   "[ ] b/notes.txt"};
    host.protect({tree.path("t/lib")});
    scan({tree.path("link-to-t")});
    EXPECT_EQ(marks(tree.path("link-to-t")), expected);

    host.rows.clear();
    host.protect({tree.path("link-to-lib")});
    scan({tree.path("t")});
    EXPECT_EQ(marks(tree.path("t")), expected);
}

TEST_F(Protection, AFolderIsProtectedThroughABindMount)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "bind mounts need root";
    writeLibrary("t");
    tree.mkdir("m");
    TestMount bound(tree.path("m"), tree.path("t"));
    if (!bound.made())
        GTEST_SKIP() << "could not bind-mount here";
    host.protect({tree.path("t/lib")});
    scan({tree.path("m")});
    EXPECT_EQ(marks(tree.path("m")),
              (V{"[x] old-phone/photo.jpg", "[ ] lib/photo.jpg", "[x] downloads/photo.jpg", "[ ] lib/song.mp3",
                 "[ ] lib/sub/song.mp3", "[x] a/notes.txt", "[ ] b/notes.txt"}));
}

// A folder protected while the scan runs counts from the next group on; the
// rows tell which change they were judged against, so the window can judge
// again the ones that were on their way.
TEST_F(Protection, ProtectingDuringAScanCountsFromTheNextGroup)
{
    tree.writePairs("many", 20);
    host.onRow = [&](const ResultRow &) {
        if (host.rows.size() == 1)
            host.protect({tree.path("many")});
    };
    scan();
    ASSERT_EQ(host.rows.size(), 40u);
    EXPECT_TRUE(host.rows[0].checked); // the older of the first pair, by the rule
    EXPECT_FALSE(host.rows[1].checked);
    EXPECT_EQ(host.rows[0].protectionSerial, 0u);
    for (std::size_t i = 2; i < host.rows.size(); ++i) {
        EXPECT_FALSE(host.rows[i].checked) << i;
        EXPECT_TRUE(host.rows[i].inProtectedFolder) << i;
        EXPECT_EQ(host.rows[i].protectionSerial, 1u) << i;
    }
}
