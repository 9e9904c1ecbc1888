#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tsuzuri::testing {

// Keeps every box it is asked to show as "kind|title|text"; questions get
// `answer`.
class RecordingDialogs final : public platform::Dialogs {
 public:
  void showError(std::string_view text) override { shown.push_back("error||" + std::string(text)); }
  bool ask(std::string_view title, std::string_view text, bool) override {
    shown.push_back("ask|" + std::string(title) + "|" + std::string(text));
    return answer;
  }
  void inform(std::string_view title, std::string_view text) override {
    shown.push_back("inform|" + std::string(title) + "|" + std::string(text));
  }
  int choose(std::string_view title, std::string_view text, std::span<const std::string>,
             int defaultChoice) override {
    shown.push_back("choose|" + std::string(title) + "|" + std::string(text));
    return defaultChoice;
  }

  std::vector<std::string> shown;
  bool answer = true;
};

}  // namespace tsuzuri::testing
