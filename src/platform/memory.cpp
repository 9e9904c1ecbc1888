#include "platform/memory.h"

#include <cstdio>
#include <limits>
#include <string>

#include "platform/files.h"

namespace tsuzuri::platform {

std::optional<std::uint64_t> memAvailableFromMeminfo(std::string_view meminfo) {
  return meminfoBytes(meminfo, "MemAvailable:");
}

std::optional<std::uint64_t> meminfoBytes(std::string_view meminfo, std::string_view key) {
  std::size_t at = 0;
  // The key must start a line, so that a longer key ending in it never matches.
  while (true) {
    at = meminfo.find(key, at);
    if (at == std::string_view::npos) return std::nullopt;
    if (at == 0 || meminfo[at - 1] == '\n') break;
    at += key.size();
  }
  std::size_t i = at + key.size();
  while (i < meminfo.size() && (meminfo[i] == ' ' || meminfo[i] == '\t')) ++i;
  const std::size_t digits = i;
  std::uint64_t kibibytes = 0;
  constexpr std::uint64_t kMaxKibibytes = std::numeric_limits<std::uint64_t>::max() / 1024;
  for (; i < meminfo.size() && meminfo[i] >= '0' && meminfo[i] <= '9'; ++i) {
    kibibytes = kibibytes * 10 + static_cast<std::uint64_t>(meminfo[i] - '0');
    if (kibibytes > kMaxKibibytes) return std::nullopt;
  }
  if (i == digits) return std::nullopt;
  // The kernel writes every size of this file in units of 1024 bytes, as "kB".
  while (i < meminfo.size() && meminfo[i] == ' ') ++i;
  if (meminfo.substr(i, 2) != "kB") return std::nullopt;
  return kibibytes * 1024;
}

namespace {

std::string readMeminfo() {
  // /proc files have no length; they are read until the end.
  std::string text;
  FileHandle file = openForReading("/proc/meminfo");
  if (!file) return text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
  return text;
}

}  // namespace

std::optional<std::uint64_t> availableMemory() {
  return memAvailableFromMeminfo(readMeminfo());
}

std::optional<std::uint64_t> totalMemory() {
  return meminfoBytes(readMeminfo(), "MemTotal:");
}

}  // namespace tsuzuri::platform
