// Lays arbitrary bytes out as message lines: the first bytes choose the
// window's layout, the rest is split into script lines, each laid out in
// turn with and without stops at the wait marks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/message_layout.h"

namespace {

using tsuzuri::text::LayoutTarget;

class Target final : public LayoutTarget {
 public:
  void placeChar(std::int32_t, std::int32_t, std::uint16_t) override { ++chars_; }
  void placeRuby(std::int32_t, std::int32_t, std::uint16_t, std::int32_t) override {}
  std::int32_t placedChars() const override { return chars_; }
  void appendLog(std::string_view text) override {
    if (log_.size() < 4096) log_.append(text);
  }
  bool logEndsWith(std::string_view text) const override { return log_.ends_with(text); }
  void setLogLines(std::int32_t) override {}
  Inline runInline(std::string_view name, std::string_view) override {
    return name.size() % 3 == 0 ? Inline::kRan : Inline::kUnknown;
  }
  std::uint32_t now() const override { return 0; }
  void report(std::string_view, std::string_view) override {}

 private:
  std::int32_t chars_ = 0;
  std::string log_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  tsuzuri::text::MessageMetrics metrics;
  metrics.charsPerLine = data[0] % 40;
  metrics.bracketIndent = (data[1] & 1) != 0;
  metrics.continuationIndent = (data[1] & 2) != 0;
  metrics.lineEnd = data[2] % 3;
  metrics.blankLineEnd = data[3] % 8;
  tsuzuri::text::LayoutTiming timing;
  timing.stopAtWaits = (data[1] & 4) != 0;
  tsuzuri::text::MessagePage page;
  Target target;
  const std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    // A stopped line is entered again until it is done, as the main loop does.
    for (int entries = 0; entries < 64; ++entries) {
      if (tsuzuri::text::layoutMessage(metrics, page, target, line, 1, 1, timing) !=
              tsuzuri::text::LayoutResult::kStopped ||
          page.resume == 0) {
        break;
      }
    }
    start = end + 1;
  }
  return 0;
}
