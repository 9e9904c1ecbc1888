#pragma once

#include <string>
#include <string_view>

namespace tsuzuri::platform {

// Game folders come from Windows, whose file systems ignore case; scripts
// name files as "BG/Room.png" while the folder holds "bg/room.PNG". These
// helpers compare one path component the way such a file system would.

// The case-folded UTF-16 form of a component given as Shift_JIS bytes.
std::u16string foldSjisName(std::string_view sjis);

// The case-folded UTF-16 form of a name read from the disk: UTF-8 when it is
// well-formed UTF-8, else Shift_JIS (folders unpacked by tools that kept the
// original bytes).
std::u16string foldDiskName(std::string_view bytes);

// Folds one UTF-16 unit: ASCII, Latin-1, Greek, Cyrillic and full-width
// Latin letters to upper case; every other unit stays.
char16_t foldCase(char16_t unit);

}  // namespace tsuzuri::platform
