// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// A scan that an error ends before its end says so, and keeps what it found.
#include "engine/uScanThread_Short.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <new>
#include <system_error>

namespace
{

// A recording host whose intake fails at a chosen moment, as when memory runs
// out on the way to the window.
class FailingHost : public RecordingHost
{
public:
    int failAtRow = -1;      // the row (0-based) whose adding throws
    bool failFilter = false; // reading the filter text throws
    std::function<void()> beforeFailing;

    std::string filterText() override
    {
        if (failFilter)
            fail(std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)));
        return RecordingHost::filterText();
    }
    void addResultRow(ResultRow row) override
    {
        if (int(rows.size()) == failAtRow)
            fail(std::bad_alloc());
        RecordingHost::addResultRow(std::move(row));
    }

private:
    template <class Error>
    void fail(const Error &error)
    {
        if (beforeFailing)
            beforeFailing();
        throw error;
    }
};

class EndedEarly : public ::testing::Test
{
protected:
    TempTree tree;
    FailingHost host;

    void SetUp() override { tree.writePairs("pairs", 3); } // three groups of two rows

    void scan()
    {
        TScanThread_Short job(host, {tree.path("pairs")}, true);
        host.beforeFailing = [&] {
            if (abortOnFailure)
                job.Abort(); // the window closes as the error comes
        };
        job.Start();
        job.WaitFor();
        host.beforeFailing = {};
    }
    bool abortOnFailure = false;
};

} // namespace

TEST_F(EndedEarly, AFailedRowKeepsTheRowsBeforeItAndCountsOnlyWholeGroups)
{
    struct Case {
        int failAt, groups;
    };
    // The first row of the third group, and the second row of the second
    // (the window drops that group's lone row: see the window's test).
    for (const Case c : {Case{4, 2}, Case{3, 1}}) {
        host.rows.clear();
        host.failAtRow = c.failAt;
        scan();
        EXPECT_EQ(host.rows.size(), std::size_t(c.failAt));
        EXPECT_TRUE(host.lastSummary.endedEarly);
        EXPECT_EQ(host.lastSummary.groups, c.groups) << c.failAt;
        EXPECT_EQ(host.lastSummary.failure, "not enough memory");
    }
    EXPECT_EQ(host.summaries, 2);
}

TEST_F(EndedEarly, AnErrorDuringTheWalkEndsTheScanWithNoGroups)
{
    host.failFilter = true;
    scan();
    EXPECT_TRUE(host.rows.empty());
    ASSERT_EQ(host.summaries, 1);
    EXPECT_TRUE(host.lastSummary.endedEarly);
    EXPECT_EQ(host.lastSummary.groups, 0);
    EXPECT_EQ(host.lastSummary.failure.rfind("the system refused: ", 0), 0u) << host.lastSummary.failure;
}

TEST_F(EndedEarly, NeitherAFullScanNorStopIsReportedAsEndedEarly)
{
    scan();
    ASSERT_EQ(host.summaries, 1);
    EXPECT_FALSE(host.lastSummary.endedEarly);
    EXPECT_EQ(host.lastSummary.groups, 3);

    host.rows.clear();
    // Stopped: sizes the readers had finished may still come in, whole.
    host.onRow = [&](const ResultRow &) { host.stop.store(true); };
    scan();
    ASSERT_EQ(host.summaries, 2);
    EXPECT_FALSE(host.lastSummary.endedEarly);
}

TEST_F(EndedEarly, AnErrorWhileClosingShowsNoSummary)
{
    host.failAtRow = 2;
    abortOnFailure = true;
    scan();
    EXPECT_EQ(host.rows.size(), 2u);
    EXPECT_EQ(host.summaries, 0);
}
