// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once

// What became of one copy whose space was to be reclaimed while its path stays.
// Every outcome but Done and AlreadyDone leaves the file exactly as it was.
enum class ReclaimOutcome {
    Done,               // shares the kept copy's storage now, or is another name of it
    AlreadyDone,        // was another name of the kept copy, or shared all its storage, before: nothing released
    Gone,               // nothing is at the path any more
    Unsupported,        // the file system cannot do it
    OtherFileSystem,    // on another file system than the kept copy
    AttributesDiffer,   // owner, group, mode, ACL or an extended attribute differ: a link would change who may use the
                        // path
    InUse,              // another program has it open, or opened it meanwhile: a link would lose what it writes
    WriterUnknown,      // no write lease could be had (not the owner, no leases there)
    KeptCopyProtected,  // the kept copy lies in a protected folder: a link would let it be changed through this path
    CopyOnWriteDiffers, // one of the two is stored without copy-on-write (chattr +C), the other is not
    TooSmallToShare,    // the kernel did not share it: small enough to live in the file system's own records
    Changed,            // not what the scan saw any more
    KeptCopyChanged,    // the kept copy changed or went
    Protected,          // no scan would offer it where it lies now (system tree, kernel guard)
    InProtectedFolder,  // in a folder the user protected
    SameFile,           // it is the kept copy itself, seen twice
    NoKeptCopy,         // every copy of its group was checked: nothing to share with
    Refused,            // the system would not let it be changed
};
inline constexpr int kReclaimOutcomeCount = int(ReclaimOutcome::Refused) + 1;
