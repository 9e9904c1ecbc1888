#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tsuzuri::script {

// The hash of a variable name for both maps of named variables: for each
// byte c, h ^= c + 0x9E3779B9 + (h << 6) + (h >> 2), in 32-bit arithmetic.
std::uint32_t variableNameHash(std::string_view name);

struct VariableNameHasher {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return variableNameHash(name); }
};

// Which integer variable a reference named: a numbered one by its index, a
// named one by its name. Kept instead of an address by what outlives a
// statement (loops), because a named variable may be erased meanwhile.
struct IntegerHandle {
  static constexpr std::int32_t kNamed = -1;
  static constexpr std::int32_t kNone = -2;  // names nothing
  std::int32_t index = kNone;
  std::string name;
};

// The script's variables: 256 numbered integers (%0 ... %255) and texts
// ($0 ... $255) that always exist, and named ones that exist once declared.
class Variables {
 public:
  static constexpr int kNumberedCount = 256;

  template <class T>
  using NamedMap = std::unordered_map<std::string, T, VariableNameHasher, std::equal_to<>>;

  // Null when `index` is outside 0-255.
  std::int32_t* numberedInteger(std::int64_t index);
  std::string* numberedText(std::int64_t index);

  // Null when the name was never declared.
  std::int32_t* findInteger(std::string_view name);
  std::string* findText(std::string_view name);

  // Creates the variable (0 or empty) when it does not exist yet.
  std::int32_t& declareInteger(std::string_view name);
  std::string& declareText(std::string_view name);

  // The handle of a variable given by its address, and back; nothing when
  // the address is no integer variable, null when the variable is gone.
  std::optional<IntegerHandle> handleOf(const std::int32_t* variable) const;
  std::int32_t* find(const IntegerHandle& handle);
  // The name of a named text variable given by its address.
  std::optional<std::string> nameOf(const std::string* text) const;

  // Removes a named variable; false when there was none.
  bool eraseInteger(std::string_view name);
  bool eraseText(std::string_view name);

  const NamedMap<std::int32_t>& namedIntegers() const { return namedIntegers_; }
  const NamedMap<std::string>& namedTexts() const { return namedTexts_; }

  // Back to the state at start-up.
  void clear();

 private:
  std::array<std::int32_t, kNumberedCount> integers_{};
  std::array<std::string, kNumberedCount> texts_{};
  NamedMap<std::int32_t> namedIntegers_;
  NamedMap<std::string> namedTexts_;
};

}  // namespace tsuzuri::script
