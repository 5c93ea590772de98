// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/FormatByteSize.h"

#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace
{

// The value with at most two decimals, trailing zeros and a bare separator dropped.
std::string TwoDecimals(double value, std::string_view separator)
{
    const long long hundredths = std::llround(value * 100.0);
    const long long magnitude = std::llabs(hundredths);
    std::string text = (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100);
    const long long fraction = magnitude % 100;
    if (fraction != 0) {
        text += separator;
        text += char('0' + fraction / 10);
        if (fraction % 10 != 0)
            text += char('0' + fraction % 10);
    }
    return text;
}

} // namespace

std::string FormatByteSize(std::int64_t bytes)
{
    return FormatByteSize(bytes, QLocale::system().decimalPoint().toStdString());
}

std::string FormatByteSize(std::int64_t bytes, std::string_view decimalSeparator)
{
    constexpr std::int64_t kKB = 1024, kMB = kKB * 1024, kGB = kMB * 1024;
    if (bytes > kGB)
        return TwoDecimals(double(bytes) / double(kGB), decimalSeparator) + " GB";
    if (bytes > kMB)
        return TwoDecimals(double(bytes) / double(kMB), decimalSeparator) + " MB";
    if (bytes > kKB)
        return TwoDecimals(double(bytes) / double(kKB), decimalSeparator) + " KB";
    return std::to_string(bytes) + " bytes";
}
