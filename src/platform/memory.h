#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tsuzuri::platform {

// The physical memory that could be given to the engine without swapping, in
// bytes: the kernel's MemAvailable estimate. Nothing when it cannot be told.
std::optional<std::uint64_t> availableMemory();

// All the physical memory, in bytes (the kernel's MemTotal).
std::optional<std::uint64_t> totalMemory();

// The MemAvailable line of a /proc/meminfo text ("MemAvailable:  123 kB"),
// in bytes. Nothing when the line is missing or malformed.
std::optional<std::uint64_t> memAvailableFromMeminfo(std::string_view meminfo);
// The same for any key of the file ("MemTotal:").
std::optional<std::uint64_t> meminfoBytes(std::string_view meminfo, std::string_view key);

}  // namespace tsuzuri::platform
