// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/CountText.h"
#include "engine/ScanTexts.h"
#include "platform/TransitNames.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <system_error>

TEST(ScanTexts, SizeElapsedAndSummaryTexts)
{
    // The size field is right-aligned in ten and grows beyond.
    EXPECT_EQ(SizeField(1024), "      1024");
    EXPECT_EQ(SizeField(0), "         0");
    EXPECT_EQ(SizeField(9999999999LL), "9999999999");
    EXPECT_EQ(SizeField(10000000000LL), "10000000000");
    // The elapsed text ends in the month of the elapsed date.
    EXPECT_EQ(ElapsedText(0), "00:00:00:12");
    EXPECT_EQ(ElapsedText((3 * 60 + 17) * 1000 + 999), "00:03:17:12");
    EXPECT_EQ(ElapsedText(25LL * 3600 * 1000), "01:00:00:12");
    EXPECT_EQ(ElapsedText(48LL * 3600 * 1000), "00:00:00:1"); // 1 January 1900
    // No singular forms.
    EXPECT_EQ(SummaryText(1, 2), "1 duplicate groups and 2 duplicate files found");
    EXPECT_EQ(SummaryText(0, 0), "0 duplicate groups and 0 duplicate files found");
}

TEST(ScanTexts, FilterMatchesExtensionsAsSubstrings)
{
    struct Case {
        const char *name, *filter;
        bool passes;
    };
    const Case cases[] = {{"photo.jpg", "*.JPG;*.GIF", true},
                          {"logo.Gif", "*.JPG;*.GIF", true},
                          {"image.jp", "*.JPG;*.GIF", true},
                          {"x.J", "*.JPG;*.GIF", true},
                          {"README", "*.JPG;*.GIF", false},
                          {"notes.txt", "*.JPG;*.GIF", false},
                          {"a.jpeg", "*.JPG;*.GIF", false},
                          {"report.doc", "*.DOC*;", true},
                          {"report.docx", "*.DOC*;", false},
                          {"ends.", "*.DOC*;", true}, // the dot alone is in every text with a dot
                          {"README", "*.*;", true},
                          {"a.b", "x;*.*", true},
                          {"a.b", "", false},
                          {"README", "", false}};
    for (const Case &c : cases)
        EXPECT_EQ(ExtensionPasses(c.name, UpperFilter(c.filter)), c.passes) << c.name << " / " << c.filter;
}

TEST(ScanTexts, AnErrorIsNamedInPlainWords)
{
    auto reasonOf = [](auto error) { return FailureReason(std::make_exception_ptr(error)); };
    EXPECT_EQ(reasonOf(std::bad_alloc()), "not enough memory");
    // As when a reader thread cannot be started.
    const auto noThread = std::make_error_code(std::errc::resource_unavailable_try_again);
    EXPECT_EQ(reasonOf(std::system_error(noThread)), "the system refused: " + noThread.message());
    // Whatever else was thrown, the library's own text never reaches the user.
    EXPECT_EQ(reasonOf(std::length_error("vector::_M_realloc_insert")), "an internal fault");
    EXPECT_EQ(reasonOf(42), "an internal fault");
    EXPECT_EQ(EndedEarlyText("not enough memory"),
              "The scan ended early after an error (not enough memory). "
              "The groups listed so far are complete, but others may be missing.");
}

// Every text of the program's own agrees with its count; the scan's first
// line above is the window's own and stays as it always was.
TEST(ScanTexts, CountsAgreeWithTheirWords)
{
    EXPECT_EQ(CountOf(1, "file", "files"), "1 file");
    EXPECT_EQ(CountOf(0, "file", "files"), "0 files");
    EXPECT_EQ(SystemFoldersText(1), "1 listed folder is a system folder and was not searched.");
    EXPECT_EQ(SystemFoldersText(3), "3 listed folders are system folders and were not searched.");
    EXPECT_EQ(TrashFoldersText(1), "1 listed folder is in the Trash and was not searched.");
    EXPECT_EQ(SoftwareFoldersText(2), "2 folders of installed software were not searched.");
    EXPECT_EQ(UnreadText(1), "1 folder or file could not be read.");
    EXPECT_EQ(InTransitText(kDeletingKind, 1),
              "1 file named .varnok-deleting-... was left by a deletion that did not finish; it was not offered.");
    EXPECT_EQ(InTransitText(kLinkingKind, 2),
              "2 files named .varnok-linking-... were left by hard links that did "
              "not finish; they were not offered.");
    EXPECT_EQ(InTransitText(kMovingKind, 1),
              "1 file named .varnok-moving-... was left by a move that did not finish; it was not offered.");
    EXPECT_EQ(SharedStorageText(1, 2048),
              "1 listed copy already shares all its storage with another copy of its group: 2 KB that takes no extra "
              "space.");
    EXPECT_EQ(SharedStorageText(2, 3 << 20),
              "2 listed copies already share all their storage with another copy of "
              "their group: 3 MB that take no extra space.");
}
