#include "FormatByteSize.h"

#include <cmath>
#include <cstdlib>

namespace {

// The value with at most two decimals, trailing zeros and a bare point dropped.
std::string TwoDecimals(double value)
{
    const long long hundredths = std::llround(value * 100.0);
    const long long magnitude = std::llabs(hundredths);
    std::string text = (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100);
    const long long fraction = magnitude % 100;
    if (fraction != 0) {
        text += '.';
        text += char('0' + fraction / 10);
        if (fraction % 10 != 0)
            text += char('0' + fraction % 10);
    }
    return text;
}

} // namespace

std::string FormatByteSize(std::int64_t bytes)
{
    constexpr std::int64_t kKB = 1024, kMB = kKB * 1024, kGB = kMB * 1024;
    if (bytes > kGB)
        return TwoDecimals(double(bytes) / double(kGB)) + " GB";
    if (bytes > kMB)
        return TwoDecimals(double(bytes) / double(kMB)) + " MB";
    if (bytes > kKB)
        return TwoDecimals(double(bytes) / double(kKB)) + " KB";
    return std::to_string(bytes) + " bytes";
}
