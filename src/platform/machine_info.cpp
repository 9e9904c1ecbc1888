#include "platform/machine_info.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <set>
#include <string>
#include <utility>

#include "platform/files.h"
#include "platform/memory.h"

namespace tsuzuri::platform {
namespace {

std::string valueAfterColon(const std::string& line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) return {};
  std::size_t start = colon + 1;
  while (start < line.size() && line[start] == ' ') ++start;
  return line.substr(start);
}

void readProcessor(MachineInfo& info) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  std::set<std::pair<std::string, std::string>> cores;
  std::string physicalId;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0 && info.processor.empty()) {
      info.processor = valueAfterColon(line);
    } else if (line.rfind("cpu MHz", 0) == 0 && info.megahertz == 0) {
      info.megahertz = static_cast<std::int32_t>(std::atof(valueAfterColon(line).c_str()));
    } else if (line.rfind("processor", 0) == 0) {
      ++info.logicalProcessors;
    } else if (line.rfind("physical id", 0) == 0) {
      physicalId = valueAfterColon(line);
    } else if (line.rfind("core id", 0) == 0) {
      cores.emplace(physicalId, valueAfterColon(line));
    }
  }
  info.physicalCores = static_cast<std::int32_t>(cores.size());
  if (info.physicalCores == 0) info.physicalCores = info.logicalProcessors;
}

}  // namespace

MachineInfo machineInfo() {
  MachineInfo info;
  if (const auto exe = executablePath()) {
    info.executable = *exe;
    struct stat status {};
    if (::stat(exe->c_str(), &status) == 0) {
      std::tm local{};
      const std::time_t when = status.st_mtime;
      if (::localtime_r(&when, &local) != nullptr) {
        char text[32];
        static_cast<void>(std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local));
        info.executableTime = text;
      }
    }
  }
  struct utsname name {};
  if (::uname(&name) == 0) {
    info.systemName = name.sysname;
    info.systemRelease = name.release;
    info.systemVersion = name.version;
    info.sixtyFourBit = std::string(name.machine).find("64") != std::string::npos;
  }
  readProcessor(info);
  info.freeMemoryMiB = availableMemory().value_or(0) >> 20;
  info.totalMemoryMiB = totalMemory().value_or(0) >> 20;
  return info;
}

}  // namespace tsuzuri::platform
