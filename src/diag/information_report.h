#pragma once

#include <string>

#include "assets/image_kernels.h"
#include "platform/machine_info.h"

namespace tsuzuri::diag {

// The machine part of Information.txt (Shift_JIS, LF line ends): the
// program, the operating system, the processor and the memory. Lines whose
// source is missing are left out.
std::string machineReport(const platform::MachineInfo& machine, assets::CpuFeatures features);

}  // namespace tsuzuri::diag
