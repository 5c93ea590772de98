// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/StakeTexts.h"
#include "engine/CountText.h"
#include "platform/FormatByteSize.h"

#include <string>

QString StakeText(const char *which, const CheckedTotal &total)
{
    const std::string size = FormatByteSize(total.bytes);
    if (total.files == 0)
        return QString::asprintf("No file is %s.", which);
    const std::string files = std::string(which) + " file";
    return QString::fromStdString(CountOf(total.files, files, files + "s")
                                  + std::string(ByCount(total.files, " takes ", " take ")) + size + ".");
}

QString CheckedFilesTakeText(const CheckedTotal &total)
{
    return QString::asprintf("The checked files take %s.", FormatByteSize(total.bytes).c_str());
}
