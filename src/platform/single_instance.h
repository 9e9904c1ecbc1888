#pragma once

#include <string_view>

namespace tsuzuri::platform {

// One running engine per game folder. The first run listens on a local
// socket named after the folder; a later run finds it, asks it to bring
// its window forward and stops. The name vanishes with the process that
// held it, so a crashed run never blocks the next one.
class SingleInstance {
 public:
  SingleInstance() = default;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // True when this run holds the key now (or holds it already); false when
  // another run holds it and has been asked to come forward.
  bool claim(std::string_view key);

  // Whether another run asked this one to come forward since the last call.
  bool raiseRequested();

 private:
  int listener_ = -1;
};

}  // namespace tsuzuri::platform
