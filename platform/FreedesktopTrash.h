// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "platform/FolderHandle.h"

#include <cstdint>
#include <string>

// The desktop's wastebasket as freedesktop.org lays it out: the home trash
// under $XDG_DATA_HOME for files on its file system, the trash at the top of
// the mount (.Trash/$uid, else .Trash-$uid) for files elsewhere. A file is
// only ever renamed into it, never copied, so it cannot fail half-way.
class FreedesktopTrash
{
public:
    // Where a file went in the trash: its folders there and its name in files/.
    struct Trashed {
        FolderHandle files, info;
        std::string name;
    };

    // Moves the entry `name` of `folder` (the file at `absolutePath`, on
    // `device`) into the trash and records where it came from; `where`, when
    // given, learns where it went. Returns 0 or the errno value of what
    // stopped it; when that was the trash itself (it could not be made,
    // opened or written to), `unusable` learns where it was looked for.
    static int moveToTrash(const FolderHandle &folder, const std::string &name, const std::string &absolutePath,
                           std::uint64_t device, Trashed *where = nullptr, std::string *unusable = nullptr);
    // Takes a file just trashed back to the entry `name` of `folder`, which
    // must be free, and drops its info file. Returns 0 or the errno value.
    static int putBack(const Trashed &where, const FolderHandle &folder, const std::string &name);

    // The home trash folder: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
    static std::string homeTrashPath();
    // "[Trash Info]" text for a file that lived at `recordedPath`.
    static std::string infoText(const std::string &recordedPath, std::int64_t deletedAtSeconds);
    // Percent-escapes every byte but letters, digits, "/" and "-_.~".
    static std::string escapePath(const std::string &path);

private:
    struct Place;
    static int openHomeTrash(std::uint64_t device, Place &place);
    static int openMountTrash(const FolderHandle &folder, const std::string &name, std::uint64_t device, Place &place);
    static int openFilesAndInfo(Place &place, std::uint64_t device);
    static int moveInto(Place &place, const FolderHandle &folder, const std::string &name, std::string &trashName);
};
