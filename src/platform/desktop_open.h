#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tsuzuri::platform {

// The codes the Windows shell answers an open request with, which scripts
// receive unchanged: anything above 32 is success.
inline constexpr std::int32_t kOpenStarted = 42;
inline constexpr std::int32_t kOpenFileNotFound = 2;
inline constexpr std::int32_t kOpenNoAssociation = 31;

// Whether a target names a URL ("http://…", "mailto:…"): a scheme of two
// characters or more before the first colon, so that a Windows drive
// letter is not taken for one.
bool isUrl(std::string_view target);

// Opens a URL or a local file (a native path, UTF-8) with the program
// `opener` (a name looked for on PATH, or a path), as "opener target". The
// program is started detached, in a session of its own, and the call does
// not wait for it; nothing goes through a shell, so the target can hold any
// character. Returns kOpenStarted once the program runs, kOpenFileNotFound
// for a local file that does not exist (nothing is started then), and
// kOpenNoAssociation when the program cannot be found or started.
std::int32_t openWithProgram(std::string_view target, const std::string& opener);

}  // namespace tsuzuri::platform
