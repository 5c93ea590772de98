// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/StakeTexts.h"
#include "platform/FormatByteSize.h"

QString StakeText(const char *which, const CheckedTotal &total)
{
    const std::string size = FormatByteSize(total.bytes);
    if (total.files == 0)
        return QString::asprintf("No file is %s.", which);
    if (total.files == 1)
        return QString::asprintf("1 %s file takes %s.", which, size.c_str());
    return QString::asprintf("%lld %s files take %s.", static_cast<long long>(total.files), which, size.c_str());
}

QString CheckedFilesTakeText(const CheckedTotal &total)
{
    return QString::asprintf("The checked files take %s.", FormatByteSize(total.bytes).c_str());
}
