// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "engine/ScanTexts.h"
#include "engine/CountText.h"
#include "engine/ScanHost.h"
#include "platform/FormatByteSize.h"

#include <chrono>
#include <cstdio>
#include <iterator>
#include <new>
#include <system_error>

std::string SizeField(std::int64_t size)
{
    char text[32];
    std::snprintf(text, sizeof text, "%10lld", static_cast<long long>(size));
    return text;
}

std::string ElapsedText(std::int64_t elapsedMs)
{
    using namespace std::chrono;
    if (elapsedMs < 0)
        elapsedMs = 0;
    const std::int64_t totalSeconds = elapsedMs / 1000;
    const int hours = int((totalSeconds / 3600) % 24);
    const int minutes = int((totalSeconds / 60) % 60);
    const int seconds = int(totalSeconds % 60);
    const auto day = sys_days{year{1899} / December / 30} + days{totalSeconds / 86400};
    const unsigned month = unsigned(year_month_day{day}.month());
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%u", hours, minutes, seconds, month);
    return text;
}

std::string SummaryText(int groups, int rows)
{
    char text[96];
    std::snprintf(text, sizeof text, "%d duplicate groups and %d duplicate files found", groups, rows);
    return text;
}

std::string UpperFilter(std::string_view filterText)
{
    std::string upper(filterText);
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return upper;
}

bool ExtensionPasses(std::string_view name, std::string_view upperFilter)
{
    if (upperFilter.find("*.*") != std::string_view::npos)
        return true;
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view ext = name.substr(dot);
    char upper[256]; // a file name holds at most 255 bytes
    if (ext.size() > sizeof upper)
        return upperFilter.find(UpperFilter(ext)) != std::string_view::npos;
    for (std::size_t i = 0; i < ext.size(); ++i)
        upper[i] = (ext[i] >= 'a' && ext[i] <= 'z') ? char(ext[i] - 'a' + 'A') : ext[i];
    return upperFilter.find(std::string_view(upper, ext.size())) != std::string_view::npos;
}

std::string SystemFoldersText(int count)
{
    return CountOf(count, "listed folder", "listed folders") + std::string(ByCount(count, " is a", " are"))
        + std::string(ByCount(count, " system folder", " system folders")) + " and "
        + std::string(ByCount(count, "was", "were")) + " not searched.";
}

std::string TrashFoldersText(int count)
{
    return CountOf(count, "listed folder", "listed folders") + std::string(ByCount(count, " is", " are"))
        + " in the Trash and " + std::string(ByCount(count, "was", "were")) + " not searched.";
}

std::string SoftwareFoldersText(int count)
{
    return CountOf(count, "folder", "folders") + " of installed software " + std::string(ByCount(count, "was", "were"))
        + " not searched.";
}

std::string InTransitText(std::size_t kind, int count)
{
    const TransitKind &what = kTransitKinds[kind];
    return CountOf(count, "file", "files") + " named " + std::string(what.prefix) + "... "
        + std::string(ByCount(count, "was", "were")) + " left by "
        + ByCount(count, what.leftByOne, what.leftByMany).data() + "; "
        + std::string(ByCount(count, "it was", "they were")) + " not offered.";
}

std::string SharedStorageText(int copies, std::int64_t bytes)
{
    return CountOf(copies, "listed copy", "listed copies") + " already "
        + std::string(ByCount(copies, "shares all its", "share all their")) + " storage with another copy of "
        + std::string(ByCount(copies, "its", "their")) + " group: " + FormatByteSize(bytes) + " that "
        + std::string(ByCount(copies, "takes", "take")) + " no extra space.";
}

std::string SummaryNotes(const ScanSummary &summary)
{
    std::string notes;
    const auto add = [&](int count, std::string (*text)(int)) {
        if (count > 0)
            notes += "\n" + text(count);
    };
    for (const std::string &folder : summary.missingFolders)
        notes += "\n" + MissingFolderText(folder);
    add(summary.systemFolders, SystemFoldersText);
    add(summary.trashFolders, TrashFoldersText);
    add(summary.softwareFolders, SoftwareFoldersText);
    for (std::size_t kind = 0; kind < kTransitKindCount; ++kind)
        if (summary.inTransitFiles[kind] > 0)
            notes += "\n" + InTransitText(kind, summary.inTransitFiles[kind]);
    if (summary.sharedCopies > 0)
        notes += "\n" + SharedStorageText(summary.sharedCopies, summary.sharedBytes);
    add(summary.unreadable, UnreadText);
    return notes;
}

std::string MissingFolderText(const std::string &folder)
{
    return "\"" + folder + "\" was not searched: there is no folder there.";
}

std::string UnreadText(int count)
{
    return CountOf(count, "folder or file", "folders or files") + " could not be read.";
}

std::string EndedEarlyText(const std::string &reason)
{
    return "The scan ended early after an error (" + reason
        + "). The groups listed so far are complete, but others may be missing.";
}

std::string FailureReason(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        return "not enough memory";
    } catch (const std::system_error &e) {
        // A thread that could not start, or another refusal of the system.
        return "the system refused: " + e.code().message();
    } catch (...) {
    }
    return "an internal fault";
}
