// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

// A write lease on a file this process opened for reading: the kernel grants
// it only while no other descriptor of the file is open anywhere (for
// reading or writing, by any process, a mapping included), and breaks it as
// soon as another process opens the file, holding that opener back until
// the lease is let go. Held across a step that replaces a file, it makes
// sure no program writes into the file while its name moves to another.
// The kernel's notice of a break is a signal chosen here that the process
// ignores (SIGURG, ignored unless asked for); a break is learnt by asking
// the lease (broken()).
class WriteLease
{
public:
    enum class Taken {
        Held,        // no other descriptor of the file was open: held now
        InUse,       // another descriptor of the file is open somewhere
        Unavailable, // not the file's owner without CAP_LEASE, or no leases there
    };

    // Asks for the lease on `fd`, a descriptor of a regular file opened for
    // reading only.
    explicit WriteLease(int fd);
    ~WriteLease();
    WriteLease(const WriteLease &) = delete;
    WriteLease &operator=(const WriteLease &) = delete;

    Taken taken() const { return taken_; }
    // Whether the lease is no longer whole: another process began to open
    // the file since it was taken (that process waits until it is let go),
    // or it was never held.
    bool broken() const;
    // Lets the lease go; the openers waiting go on.
    void release();

private:
    int fd_;
    Taken taken_;
};
