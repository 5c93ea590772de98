// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/ForwardingHost.h"
#include "tests/support/StuckCall.h"

// Passes everything on to another host, except that reading the stop flag or
// the filter text waits until the test releases it: a scan thread stuck in a
// call that does not return, as a read from a stalled network mount. It must
// outlive the job that uses it.
class StuckHost : public ForwardingHost
{
public:
    using ForwardingHost::ForwardingHost;

    // Whether the scan thread is held in a read now.
    bool holdsThread() { return stuck_.holdsThread(); }
    void release() { stuck_.release(); }

    std::string filterText() override
    {
        stuck_.hold();
        return ForwardingHost::filterText();
    }
    bool stopFlag() override
    {
        stuck_.hold();
        return ForwardingHost::stopFlag();
    }

private:
    StuckCall stuck_;
};
