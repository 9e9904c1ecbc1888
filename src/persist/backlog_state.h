#pragma once

#include <string>
#include <string_view>

#include "persist/record_text.h"
#include "text/backlog.h"

namespace tsuzuri::persist {

// Appends the backlog's lines of a save record: for every entry but the
// current one whose text is not empty, its text and tag ("msgBuffer") and
// its picture's records ("msgImage"); then the eight per-entry arrays of
// all 200 entries: screen offset and zoom, line count, script, line and
// snapshot number. The current index and count go into the "Massage" line,
// which the caller writes.
void writeBacklogLines(const text::Backlog& backlog, std::string& out);

// Empties every entry, then restores what those lines hold; a missing line
// or field leaves its entry's default. The current index and count are the
// caller's, from the "Massage" line (Backlog::restoreIndices).
void restoreBacklogLines(text::Backlog& backlog, const RecordLines& record);

// Record fields have no escaping, so text that would split or end its field
// is written protected: a comma, CR, LF, DEL (0x7F), in file names "|", and
// blanks and tabs at either end become DEL followed by a letter. Text
// without such bytes is written as it is.
std::string protectedField(std::string_view text, bool inName);
std::string unprotectedField(std::string_view field);

}  // namespace tsuzuri::persist
