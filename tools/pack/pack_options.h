#pragma once

// The parsed command line of the packer and the helpers its commands share.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "assets/container_index.h"

namespace tsuzuri::pack {

struct PackOptions {
  std::string command;
  std::vector<std::string> positional;
  std::optional<std::string> title;  // UTF-8, as typed
  std::optional<std::string> key;    // hexadecimal, as typed
  std::optional<std::string> names;  // path of a name list
  bool utf8 = false;
  bool scramble = false;
  // list and extract: what the file is, when its name does not tell.
  std::optional<bool> isScriptContainer;
};

// The title key the options ask for: --key, else --title, else the built-in
// title. Nothing (with `error`) when the text is not a valid key or title.
std::optional<std::uint32_t> chosenTitleKey(const PackOptions& options, std::string& error);

// Whether a container is script.dat rather than an archive: as the options
// say, else by its file name.
bool looksLikeScriptContainer(const PackOptions& options, const std::string& path);

// A whole file, refused beyond 4 GiB (the containers' limit).
std::optional<std::string> readWholeFile(const std::string& path, std::string& error);

// The index of a container file, with a message on `err` when it ends
// early. Nothing when the file cannot be read.
struct OpenedContainer {
  std::string path;
  std::uint64_t length = 0;
  assets::ContainerIndex index;
};
std::optional<OpenedContainer> openContainer(const std::string& path, std::ostream& err);

// `size` bytes at `offset` of the container; nothing when they are not all there.
std::optional<std::string> readRange(const OpenedContainer& container, std::uint64_t offset,
                                     std::uint32_t size);

int runList(const PackOptions& options, std::ostream& out, std::ostream& err);
int runExtract(const PackOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tsuzuri::pack
