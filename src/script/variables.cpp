#include "script/variables.h"

namespace tsuzuri::script {

std::uint32_t variableNameHash(std::string_view name) {
  std::uint32_t h = 0;
  for (char c : name) {
    h ^= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) + 0x9E3779B9U + (h << 6) +
         (h >> 2);
  }
  return h;
}

std::int32_t* Variables::numberedInteger(std::int64_t index) {
  if (index < 0 || index >= kNumberedCount) return nullptr;
  return &integers_[static_cast<std::size_t>(index)];
}

std::string* Variables::numberedText(std::int64_t index) {
  if (index < 0 || index >= kNumberedCount) return nullptr;
  return &texts_[static_cast<std::size_t>(index)];
}

std::int32_t* Variables::findInteger(std::string_view name) {
  const auto found = namedIntegers_.find(name);
  return found == namedIntegers_.end() ? nullptr : &found->second;
}

std::string* Variables::findText(std::string_view name) {
  const auto found = namedTexts_.find(name);
  return found == namedTexts_.end() ? nullptr : &found->second;
}

std::int32_t& Variables::declareInteger(std::string_view name) {
  if (std::int32_t* existing = findInteger(name)) return *existing;
  return namedIntegers_.emplace(std::string(name), 0).first->second;
}

std::string& Variables::declareText(std::string_view name) {
  if (std::string* existing = findText(name)) return *existing;
  return namedTexts_.emplace(std::string(name), std::string()).first->second;
}

std::optional<IntegerHandle> Variables::handleOf(const std::int32_t* variable) const {
  if (variable >= integers_.data() && variable < integers_.data() + kNumberedCount) {
    return IntegerHandle{static_cast<std::int32_t>(variable - integers_.data()), {}};
  }
  for (const auto& [name, value] : namedIntegers_) {
    if (&value == variable) return IntegerHandle{IntegerHandle::kNamed, name};
  }
  return std::nullopt;
}

std::int32_t* Variables::find(const IntegerHandle& handle) {
  if (handle.index == IntegerHandle::kNone) return nullptr;
  return handle.index >= 0 ? numberedInteger(handle.index) : findInteger(handle.name);
}

std::optional<std::string> Variables::nameOf(const std::string* text) const {
  for (const auto& [name, value] : namedTexts_) {
    if (&value == text) return name;
  }
  return std::nullopt;
}

bool Variables::eraseInteger(std::string_view name) {
  const auto found = namedIntegers_.find(name);
  if (found == namedIntegers_.end()) return false;
  namedIntegers_.erase(found);
  return true;
}

bool Variables::eraseText(std::string_view name) {
  const auto found = namedTexts_.find(name);
  if (found == namedTexts_.end()) return false;
  namedTexts_.erase(found);
  return true;
}

void Variables::clear() {
  integers_.fill(0);
  for (std::string& text : texts_) text.clear();
  namedIntegers_.clear();
  namedTexts_.clear();
}

}  // namespace tsuzuri::script
