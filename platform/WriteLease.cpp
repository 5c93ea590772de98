// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/WriteLease.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>

namespace
{

// Sent when the lease is broken. Ignored by default, so no handler of ours
// is needed and no other thread is disturbed; the default SIGIO would end
// the process.
constexpr int kBreakSignal = SIGURG;

WriteLease::Taken Take(int fd)
{
    if (::fcntl(fd, F_SETSIG, kBreakSignal) != 0)
        return WriteLease::Taken::Unavailable;
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0)
        return WriteLease::Taken::Held;
    // EAGAIN: the file is open elsewhere (or mapped); EACCES: not the owner
    // without CAP_LEASE; EINVAL: a file system without leases, or leases
    // switched off.
    return errno == EAGAIN || errno == EBUSY ? WriteLease::Taken::InUse : WriteLease::Taken::Unavailable;
}

} // namespace

WriteLease::WriteLease(int fd) : fd_(fd), taken_(Take(fd))
{
}

WriteLease::~WriteLease()
{
    release();
}

bool WriteLease::broken() const
{
    // While a break is pending the lease answers with the type it is being
    // broken down to, never F_WRLCK.
    return taken_ != Taken::Held || ::fcntl(fd_, F_GETLEASE) != F_WRLCK;
}

void WriteLease::release()
{
    if (taken_ != Taken::Held)
        return;
    ::fcntl(fd_, F_SETLEASE, F_UNLCK);
    taken_ = Taken::Unavailable;
}
