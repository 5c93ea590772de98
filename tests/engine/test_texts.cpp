#include "ScanTexts.h"

#include <gtest/gtest.h>

TEST(ScanTexts, SizeFieldIsRightAlignedInTenAndGrowsBeyond)
{
    EXPECT_EQ(SizeField(1024), "      1024");
    EXPECT_EQ(SizeField(0), "         0");
    EXPECT_EQ(SizeField(9999999999LL), "9999999999");
    EXPECT_EQ(SizeField(10000000000LL), "10000000000");
}

TEST(ScanTexts, ElapsedTextEndsInTheMonthOfTheElapsedDate)
{
    EXPECT_EQ(ElapsedText(0), "00:00:00:12");
    EXPECT_EQ(ElapsedText((3 * 60 + 17) * 1000 + 999), "00:03:17:12");
    EXPECT_EQ(ElapsedText(25LL * 3600 * 1000), "01:00:00:12");
    EXPECT_EQ(ElapsedText(48LL * 3600 * 1000), "00:00:00:1"); // 1 January 1900
}

TEST(ScanTexts, SummaryHasNoSingularForms)
{
    EXPECT_EQ(SummaryText(1, 2), "1 duplicate groups and 2 duplicate files found");
    EXPECT_EQ(SummaryText(0, 0), "0 duplicate groups and 0 duplicate files found");
}

TEST(ScanTexts, FilterMatchesExtensionsAsSubstrings)
{
    const std::string jpgGif = UpperFilter("*.JPG;*.GIF");
    EXPECT_TRUE(ExtensionPasses("photo.jpg", jpgGif));
    EXPECT_TRUE(ExtensionPasses("logo.Gif", jpgGif));
    EXPECT_TRUE(ExtensionPasses("image.jp", jpgGif));
    EXPECT_TRUE(ExtensionPasses("x.J", jpgGif));
    EXPECT_FALSE(ExtensionPasses("README", jpgGif));
    EXPECT_FALSE(ExtensionPasses("notes.txt", jpgGif));
    EXPECT_FALSE(ExtensionPasses("a.jpeg", jpgGif));

    const std::string doc = UpperFilter("*.DOC*;");
    EXPECT_TRUE(ExtensionPasses("report.doc", doc));
    EXPECT_FALSE(ExtensionPasses("report.docx", doc));
    EXPECT_TRUE(ExtensionPasses("ends.", doc)); // the dot alone is in every text with a dot

    EXPECT_TRUE(ExtensionPasses("README", UpperFilter("*.*;")));
    EXPECT_TRUE(ExtensionPasses("a.b", UpperFilter("x;*.*")));
    EXPECT_FALSE(ExtensionPasses("a.b", ""));
    EXPECT_FALSE(ExtensionPasses("README", ""));
}
