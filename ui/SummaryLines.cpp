// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/SummaryLines.h"
#include "engine/CountText.h"

QString FilesText(int count)
{
    return QString::fromStdString(CountOf(count, "file", "files"));
}

QString LeftLine(int count, const std::string &reason)
{
    return QString::fromStdString(CountOf(count, "file", "files") + " left: " + reason + ".");
}
