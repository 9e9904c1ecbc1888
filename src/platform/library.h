#pragma once

#include <string>

namespace tsuzuri::platform {

// Shared libraries (plug-ins). A library once loaded stays loaded until the
// process ends, so there is no unloading.

// Loads a library by its native path, or by a bare name from the system's
// search path. Null on failure, with the loader's reason in `error`.
void* loadLibrary(const std::string& path, std::string* error);

// The address of an exported symbol, or null when it has none.
void* findSymbol(void* library, const char* name);

}  // namespace tsuzuri::platform
