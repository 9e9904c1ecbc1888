#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "script/message_display.h"

namespace tsuzuri::core {

// A message display that writes every message line to a file as UTF-8,
// one line each, the speaker first when there is one ("【name】text"), and
// returns at once. It stands in for the message window where there is none
// and records what a headless run showed. Without a file it only keeps the
// message bookkeeping.
class Transcript final : public script::MessageDisplay {
 public:
  explicit Transcript(std::FILE* out) : out_(out) {}

  bool show(std::string_view line, std::int32_t nextLength, std::int32_t afterNextLength) override;
  bool inProgress() const override { return inProgress_; }
  void setSpeaker(std::string_view name) override { speaker_.assign(name); }
  std::size_t startOffset() const override { return startOffset_; }
  void setStartOffset(std::size_t offset) override { startOffset_ = offset; }

 private:
  std::FILE* out_;
  std::string speaker_;
  std::size_t startOffset_ = 0;
  bool inProgress_ = false;
};

}  // namespace tsuzuri::core
