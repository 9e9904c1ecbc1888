#include "diag/information_report.h"

#include <cstdio>

#include "util/sjis.h"

namespace tsuzuri::diag {

std::string machineReport(const platform::MachineInfo& machine, assets::CpuFeatures features) {
  std::string report;
  char line[256];
  if (!machine.executable.empty()) {
    const std::size_t slash = machine.executable.rfind('/');
    const std::string folder = machine.executable.substr(0, slash + 1);
    const std::string file = machine.executable.substr(slash + 1);
    report += "Cwd: " + util::utf8ToSjis(folder) + util::utf8ToSjis(file) + "\n";
    if (!machine.executableTime.empty()) {
      report += "\t" + util::utf8ToSjis(file) + ": " + machine.executableTime + "\n";
    }
  }
  if (!machine.systemName.empty()) {
    report += "OS : " + machine.systemName + (machine.sixtyFourBit ? " 64bit" : " 32bit") + " (" +
              machine.systemRelease + ") " + util::utf8ToSjis(machine.systemVersion) + "\n";
  }
  if (!machine.processor.empty()) {
    report += "CPU : " + util::utf8ToSjis(machine.processor);
    if (machine.megahertz > 0) {
      static_cast<void>(std::snprintf(line, sizeof line, " ~%dMHz", machine.megahertz));
      report += line;
    }
    static_cast<void>(std::snprintf(line, sizeof line, " PC%i LC%i", machine.physicalCores,
                                    machine.logicalProcessors));
    report += line;
    if (features.mmx) report += " MMX";
    if (features.sse) report += " SSE";
    if (features.sse2) report += " SSE2";
    report += "\n";
  }
  if (machine.totalMemoryMiB > 0) {
    static_cast<void>(std::snprintf(line, sizeof line, "Memoy : %llu/%lluMB\n",
                                    static_cast<unsigned long long>(machine.freeMemoryMiB),
                                    static_cast<unsigned long long>(machine.totalMemoryMiB)));
    report += line;
  }
  return report;
}

}  // namespace tsuzuri::diag
