#pragma once

namespace tsuzuri::platform {

// Oniguruma, which the engine's regular expressions use, also exports the
// POSIX names regcomp, regexec, regerror and regfree. Loaded into the
// process, those would shadow the C library's for every other library too:
// Mesa's driver configuration would be matched with Oniguruma's syntax, and
// under the address sanitizer, whose regexec reaches the C library while
// regcomp reaches Oniguruma, the driver hangs. This program defines the
// four names itself, exported to the libraries it loads, and forwards them
// to the C library. Calling this keeps those definitions linked in.
void keepSystemRegex();

}  // namespace tsuzuri::platform
