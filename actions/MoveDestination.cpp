// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "actions/MoveDestination.h"

#include <algorithm>

namespace
{

constexpr std::size_t kNameMax = 255;
constexpr char kRootName[] = "File System";

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    return path;
}

// The last component of a folder's path, without trailing slashes.
std::string FolderName(const std::string &path)
{
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return kRootName;
    const std::size_t slash = path.rfind('/', end);
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1,
                                   end - (slash == std::string::npos ? 0 : slash + 1) + 1);
    return name == "." || name == ".." ? std::string(kRootName) : name;
}

// The first `length` bytes of `text`, cut back so as not to split a UTF-8 character.
std::string CutTo(const std::string &text, std::size_t length)
{
    if (text.size() <= length)
        return text;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return text.substr(0, length);
}

} // namespace

MoveDestination::MoveDestination(std::string target, const std::vector<std::string> &listedFolders)
    : target_(std::move(target))
{
    for (const std::string &folder : listedFolders) {
        const std::string prefix = WithSlash(folder);
        if (std::any_of(listed_.begin(), listed_.end(), [&](const Listed &l) { return l.prefix == prefix; }))
            continue; // listed twice: one folder
        const std::string name = FolderName(folder);
        std::string unique = name;
        for (int n = 2; std::any_of(listed_.begin(), listed_.end(), [&](const Listed &l) { return l.name == unique; });
             ++n)
            unique = numberedName(name, n);
        listed_.push_back({prefix, unique});
    }
}

MoveDestination::Place MoveDestination::placeOf(const std::string &path) const
{
    const auto under
        = std::find_if(listed_.begin(), listed_.end(), [&](const Listed &l) { return path.starts_with(l.prefix); });
    Place place;
    std::string source = under == listed_.end() ? "/" : under->prefix;
    place.folders.push_back(under == listed_.end() ? std::string(kRootName) : under->name);
    place.sources.push_back(source);
    std::size_t at = under == listed_.end() ? 0 : under->prefix.size();
    for (;;) {
        at = path.find_first_not_of('/', at);
        if (at == std::string::npos)
            break;
        const std::size_t slash = path.find('/', at);
        if (slash == std::string::npos) {
            place.name = path.substr(at);
            break;
        }
        const std::string part = path.substr(at, slash - at);
        source = WithSlash(std::move(source));
        source += part;
        place.folders.push_back(part);
        place.sources.push_back(source);
        at = slash;
    }
    return place;
}

std::string MoveDestination::numberedName(const std::string &name, int number)
{
    if (number <= 1)
        return name;
    const std::string suffix = " (" + std::to_string(number) + ")";
    // An extension is what follows the last dot, but not a leading one (".bashrc").
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 && name.size() - dot <= kNameMax / 2;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    return CutTo(stem, kNameMax - suffix.size() - extension.size()) + suffix + extension;
}
