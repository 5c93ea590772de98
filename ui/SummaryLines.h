// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QString>

#include <string>

// Lines the summaries of the result list's actions share.

// "1 file" or "N files".
QString FilesText(int count);
// "1 file left: REASON." or "N files left: REASON."
QString LeftLine(int count, const std::string &reason);
