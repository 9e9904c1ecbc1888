#pragma once

#include <cstdint>
#include <string>

namespace tsuzuri::platform {

// What the information report says about the machine. Fields whose source
// is missing stay empty or 0.
struct MachineInfo {
  std::string executable;      // the running program's path
  std::string executableTime;  // its last write, "YYYY/MM/DD hh:mm:ss" local time
  std::string systemName;      // "Linux"
  std::string systemRelease;   // the kernel release
  std::string systemVersion;
  bool sixtyFourBit = false;
  std::string processor;  // the processor's brand string
  std::int32_t megahertz = 0;
  std::int32_t physicalCores = 0;
  std::int32_t logicalProcessors = 0;
  std::uint64_t freeMemoryMiB = 0;
  std::uint64_t totalMemoryMiB = 0;
};

MachineInfo machineInfo();

}  // namespace tsuzuri::platform
