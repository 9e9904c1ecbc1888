#pragma once

#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tsuzuri::testing {

// Keeps every box it is asked to show as "kind|title|text". Questions take
// the next of `answers` (then `answer`), choices the next of `choices`
// (then their default).
class RecordingDialogs final : public platform::Dialogs {
 public:
  void showError(std::string_view text) override { shown.push_back("error||" + std::string(text)); }
  bool ask(std::string_view title, std::string_view text, bool) override {
    shown.push_back("ask|" + std::string(title) + "|" + std::string(text));
    if (answers.empty()) return answer;
    const bool next = answers.front();
    answers.pop_front();
    return next;
  }
  void inform(std::string_view title, std::string_view text) override {
    shown.push_back("inform|" + std::string(title) + "|" + std::string(text));
  }
  int choose(std::string_view title, std::string_view text, std::span<const std::string>,
             int defaultChoice, int /*cancelChoice*/) override {
    shown.push_back("choose|" + std::string(title) + "|" + std::string(text));
    if (choices.empty()) return defaultChoice;
    const int next = choices.front();
    choices.pop_front();
    return next;
  }

  std::vector<std::string> shown;
  std::deque<bool> answers;
  std::deque<int> choices;
  bool answer = true;
};

}  // namespace tsuzuri::testing
