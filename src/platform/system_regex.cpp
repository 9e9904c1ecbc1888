#include "platform/system_regex.h"

#include <dlfcn.h>
#include <regex.h>

namespace tsuzuri::platform {
namespace {

// The C library's own function of that name (its default version).
template <class Function>
Function* systemFunction(const char* name) {
  static void* const library = dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (library == nullptr) return nullptr;
  return reinterpret_cast<Function*>(dlsym(library, name));
}

}  // namespace

void keepSystemRegex() {}

}  // namespace tsuzuri::platform

using tsuzuri::platform::systemFunction;

extern "C" {

int regcomp(regex_t* pattern, const char* text, int flags) {
  static auto* const real = systemFunction<int(regex_t*, const char*, int)>("regcomp");
  return real != nullptr ? real(pattern, text, flags) : REG_ESPACE;
}

int regexec(const regex_t* pattern, const char* text, size_t count, regmatch_t* matches,
            int flags) {
  static auto* const real =
      systemFunction<int(const regex_t*, const char*, size_t, regmatch_t*, int)>("regexec");
  return real != nullptr ? real(pattern, text, count, matches, flags) : REG_NOMATCH;
}

size_t regerror(int code, const regex_t* pattern, char* buffer, size_t size) {
  static auto* const real = systemFunction<size_t(int, const regex_t*, char*, size_t)>("regerror");
  return real != nullptr ? real(code, pattern, buffer, size) : 0;
}

void regfree(regex_t* pattern) {
  static auto* const real = systemFunction<void(regex_t*)>("regfree");
  if (real != nullptr) real(pattern);
}

}  // extern "C"
