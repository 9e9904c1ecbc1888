#pragma once

// Names the seed archives hold, so that mutated inputs keep hashes the
// fuzz targets look up.

namespace tsuzuri::fuzzing {

inline constexpr const char* kArchiveNames[] = {"bg/room.png", "se/click.wav", "a",
                                                "voice/001.ogg"};
inline constexpr const char* kScriptNames[] = {"script/0.txt", "script/1.txt", "script/menu.txt"};

}  // namespace tsuzuri::fuzzing
