// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/AvailableMemory.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <sys/sysinfo.h>

std::optional<std::uint64_t> MemAvailableIn(std::string_view meminfo)
{
    constexpr std::string_view kKey = "MemAvailable:";
    const auto at = meminfo.find(kKey);
    if (at == std::string_view::npos || (at > 0 && meminfo[at - 1] != '\n'))
        return std::nullopt;
    std::string_view rest = meminfo.substr(at + kKey.size());
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    std::uint64_t kib = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), kib);
    if (error != std::errc{} || rest.substr(std::size_t(end - rest.data()), 3) != " kB")
        return std::nullopt;
    return kib * 1024;
}

std::uint64_t AvailableMemory()
{
    std::ifstream file("/proc/meminfo");
    std::ostringstream text;
    text << file.rdbuf();
    if (const auto available = MemAvailableIn(text.str()))
        return *available;
    struct sysinfo info {
    };
    if (::sysinfo(&info) != 0)
        return 0;
    return (std::uint64_t(info.freeram) + info.bufferram) * info.mem_unit; // kernels before 3.14
}
