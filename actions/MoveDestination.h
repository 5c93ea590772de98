// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <string>
#include <vector>

// Where each file of a move goes: below the folder the user chose, in a
// folder named after the listed folder it was found under, at its path below
// that folder, so that two files of one name from different places never
// meet and each tells where it came from. Listed folders of one name get
// " (2)", " (3)"... in list order; the root folder is "File System".
class MoveDestination
{
public:
    // `target`: the folder chosen; `listedFolders`: the folders the scan
    // searched, in list order, as it was given them.
    MoveDestination(std::string target, const std::vector<std::string> &listedFolders);

    struct Place {
        std::vector<std::string> folders; // below the target, outermost first
        std::string name;                 // the file's own
        std::vector<std::string> sources; // the folder each of `folders` stands for
    };
    // Where the file at `path` goes. A file under no listed folder goes by
    // its whole path, below "File System".
    Place placeOf(const std::string &path) const;
    const std::string &target() const { return target_; }

    // `name` with " (number)" before its extension ("IMG_0001 (2).jpg"), cut
    // back to fit a file name's 255 bytes; `name` itself for number 1.
    static std::string numberedName(const std::string &name, int number);

private:
    struct Listed {
        std::string prefix; // its path, ending in "/"
        std::string name;   // the folder it becomes below the target
    };
    std::string target_;
    std::vector<Listed> listed_;
};
