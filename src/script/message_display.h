#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tsuzuri::script {

// Where a story line meets the message window. The statement loop finds
// the speaker and the start of the message; the display shows the text and
// waits as long as the message needs.
class MessageDisplay {
 public:
  virtual ~MessageDisplay() = default;

  // Shows the message of `line` from byte `startOffset` (the whole text
  // token). `nextLength` and `afterNextLength` are the lengths of the first
  // tokens of the two following lines (0 beyond the end), which tell the
  // layout whether the message goes on. Returns false to end the run.
  virtual bool show(std::string_view line, std::int32_t nextLength,
                    std::int32_t afterNextLength) = 0;

  // Whether a message that spans several lines is still in progress (the
  // current backlog entry already holds text), so that the next line
  // continues it instead of starting a new one.
  virtual bool inProgress() const = 0;

  // The speaker named at the start of the message that starts now (not
  // called for a message without one).
  virtual void setSpeaker(std::string_view name) = 0;

  // Where in its line the next message starts: after a speaker name, or
  // where the display stopped inside the line (0 once a message has been
  // shown to its end).
  virtual std::size_t startOffset() const = 0;
  virtual void setStartOffset(std::size_t offset) = 0;

  // The message hooks (preMessGosub, sufMessGosub): the CRC-32 of a label
  // to call before each message line is shown and after a message is
  // completed, or 0 for none.
  virtual std::uint32_t preMessageLabel() const { return 0; }
  virtual std::uint32_t postMessageLabel() const { return 0; }
  // Whether the display stopped at a wait for the post-message subroutine,
  // which then does the waiting. When it stopped inside the line,
  // startOffset() says where the line goes on.
  virtual bool waiting() const { return true; }

  // Where the message that starts now comes from, for its backlog entry:
  // the hash of the script in slot 2 and the line index.
  virtual void noteMessageSource(std::uint64_t /*scriptHash*/, std::int32_t /*line*/) {}
  // Whether the message that starts now was read before.
  virtual void setAlreadyRead(bool /*read*/) {}
  // A fast-forward to a restored page has reached it: the jump ends, and
  // the message that starts now has the already-read state given.
  virtual void reachRestoredPage(bool /*read*/) {}
};

}  // namespace tsuzuri::script
