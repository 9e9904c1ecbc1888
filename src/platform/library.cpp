#include "platform/library.h"

#include <dlfcn.h>

namespace tsuzuri::platform {

void* loadLibrary(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr && error != nullptr) {
    const char* reason = dlerror();
    error->assign(reason != nullptr ? reason : "");
  }
  return handle;
}

void* findSymbol(void* library, const char* name) {
  return library != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace tsuzuri::platform
