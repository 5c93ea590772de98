// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

// The size right-aligned in a 10-character field; wider numbers are not cut.
std::string SizeField(std::int64_t size);

// "hh:nn:ss:m" of an elapsed time: hours modulo 24, minutes, seconds, and the
// month of the elapsed value read as a date counted from 30 December 1899
// (so 12 for anything under two days).
std::string ElapsedText(std::int64_t elapsedMs);

// "%d duplicate groups and %d duplicate files found"
std::string SummaryText(int groups, int rows);
inline constexpr const char *kSummaryCaption = "Congratulation!";
// The summary box's caption when an error ended the scan: no congratulation for a failure.
inline constexpr const char *kEndedEarlyCaption = "Scan ended early";
// The summary's second line when some folders or files could not be read.
std::string UnreadText(int count);

// The summary's second line when listed folders lay in the system's own trees.
std::string SystemFoldersText(int count);
// ... when listed folders lay in the trash.
std::string TrashFoldersText(int count);
// ... when folders of installed software were passed by.
std::string SoftwareFoldersText(int count);
// ... when files under a hidden name of the program's own were found, of
// this kind (see TransitNames.h), left by a step that did not finish.
std::string InTransitText(std::size_t kind, int count);
// ... when listed copies already share all their storage with another copy
// of their group, `bytes` in all: they take no extra space.
std::string SharedStorageText(int copies, std::int64_t bytes);

// ... naming a listed folder where no folder was.
std::string MissingFolderText(const std::string &folder);

struct ScanSummary;
// The lines that follow the summary's first: what the scan passed by and
// what it could not read, each on a line of its own after a newline.
std::string SummaryNotes(const ScanSummary &summary);

// The summary's line when an error ended the scan early; `reason` from FailureReason.
std::string EndedEarlyText(const std::string &reason);

// A few words on what an error caught in a scan job was.
std::string FailureReason(const std::exception_ptr &error);

// The filter text as the walk compares it: a to z upper-cased, nothing else.
std::string UpperFilter(std::string_view filterText);

// Whether a file name passes an upper-cased filter text: its extension (from
// the last ".", dot included) occurs anywhere in the text, or the text holds "*.*".
bool ExtensionPasses(std::string_view name, std::string_view upperFilter);
