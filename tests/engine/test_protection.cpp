// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The first marks of a scan with folders protected: the protected copies
// stay, whatever the keep rule.
#include "tests/support/ScanFixture.h"

namespace
{

using V = std::vector<std::string>;

class Protection : public ScanFixture
{
protected:
    // A library, two scattered copies of its photo (one older, one newer), a
    // song kept twice in the library, and copies nobody protects.
    void writeLibrary()
    {
        writeAt("lib/photo.jpg", "photo", 2000);
        writeAt("old-phone/photo.jpg", "photo", 1000);
        writeAt("downloads/photo.jpg", "photo", 3000);
        writeAt("lib/song.mp3", "song!!", 1000);
        writeAt("lib/sub/song.mp3", "song!!", 2000);
        writeAt("a/notes.txt", "notes-nn", 1000);
        writeAt("b/notes.txt", "notes-nn", 2000);
    }
    void writeAt(const std::string &relative, const std::string &content, int order)
    {
        tree.write(relative, content);
        tree.setTime(relative, 1000000000 + order);
    }
    // Rows as "[x] path" or "[ ] path" in row order.
    V marks() const
    {
        V out;
        for (const ResultRow &row : host.rows)
            out.push_back((row.checked ? "[x] " : "[ ] ") + relative(row.path));
        return out;
    }
};

} // namespace

// The library lies inside the listed folder.
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
