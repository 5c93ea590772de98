// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/SummaryLines.h"

QString FilesText(int count)
{
    return count == 1 ? QStringLiteral("1 file") : QString::asprintf("%d files", count);
}

QString LeftLine(int count, const char *reason)
{
    return QString::asprintf("%s left: %s.", FilesText(count).toUtf8().constData(), reason);
}
