#include "persist/backlog_state.h"

#include <algorithm>
#include <array>
#include <functional>

#include "util/display_name.h"

namespace tsuzuri::persist {

namespace {

constexpr char kProtect = '\x7F';

// The byte a protected letter stands for (0 for none).
constexpr std::array<std::pair<char, char>, 7> kProtected = {{
    {',', 'c'},
    {'\n', 'n'},
    {'\r', 'r'},
    {kProtect, 'd'},
    {'|', 'p'},
    {' ', 's'},
    {'\t', 't'},
}};

// The largest position, scale (percent) and picture side a page's records
// and camera are read with.
constexpr std::int32_t kMostOffset = 32768;
constexpr std::int32_t kMostPercent = 10000;
constexpr std::int32_t kMostSide = 8192;

bool blank(char c) {
  return c == ' ' || c == '\t';
}

std::uint32_t hexOf(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

void writeRecord(const text::ImageLogRecord& r, std::string& out) {
  appendFormat(out, "%s|%s|%X|%d|%d|%X|%X|%X|%X|%X|%X|%X|%X|%X|%d|",
               protectedField(r.name, true).c_str(), protectedField(r.maskName, true).c_str(),
               hexOf(r.kindBlend), r.x, r.y, hexOf(r.slotLayer), hexOf(r.alpha), hexOf(r.cell),
               hexOf(r.mask), hexOf(r.colour), hexOf(r.width), hexOf(r.height), hexOf(r.scaleX),
               hexOf(r.scaleY), r.rotation);
  appendFormat(out, "%X|%X|%X|%X|%X|%X|%X|%X|%X|%X|%X|%X|%X|%X,", hexOf(r.reserved1),
               hexOf(r.reserved2), hexOf(r.cutX), hexOf(r.cutY), hexOf(r.cutW), hexOf(r.cutH),
               hexOf(r.effectBits), hexOf(r.brightnessContrast), hexOf(r.colourEffect),
               hexOf(r.hsl), hexOf(r.blur), hexOf(r.mosaic), hexOf(r.maskParam1),
               hexOf(r.maskParam2));
}

text::ImageLogRecord readRecord(std::string_view element) {
  // The values between bars are read as a field list.
  std::string values(element);
  std::replace(values.begin(), values.end(), '|', ',');
  const Fields f(values);
  text::ImageLogRecord r;
  const auto hex = [&f](std::size_t i, std::int32_t fallback) {
    return static_cast<std::int32_t>(f.hex(i, static_cast<std::uint32_t>(fallback)));
  };
  r.name = unprotectedField(f.text(0)).substr(0, text::kImageLogNameLimit);
  r.maskName = unprotectedField(f.text(1)).substr(0, text::kImageLogNameLimit);
  r.kindBlend = hex(2, r.kindBlend);
  r.x = f.decimal(3, r.x);
  r.y = f.decimal(4, r.y);
  std::int32_t* const hexFields[] = {&r.slotLayer, &r.alpha,  &r.cell,   &r.mask,  &r.colour,
                                     &r.width,     &r.height, &r.scaleX, &r.scaleY};
  for (std::size_t i = 0; i < std::size(hexFields); ++i) *hexFields[i] = hex(5 + i, *hexFields[i]);
  r.rotation = f.decimal(14, r.rotation);
  std::int32_t* const moreHexFields[] = {
      &r.reserved1,  &r.reserved2,          &r.cutX,         &r.cutY, &r.cutW, &r.cutH,
      &r.effectBits, &r.brightnessContrast, &r.colourEffect, &r.hsl,  &r.blur, &r.mosaic,
      &r.maskParam1, &r.maskParam2};
  for (std::size_t i = 0; i < std::size(moreHexFields); ++i) {
    *moreHexFields[i] = hex(15 + i, *moreHexFields[i]);
  }
  // What the engine writes stays in these ranges; a damaged save is held
  // to them so that re-composing its page stays within bounds.
  r.kindBlend &= 0xFF;
  r.alpha &= 0xFF;
  r.x = std::clamp(r.x, -kMostOffset, kMostOffset);
  r.y = std::clamp(r.y, -kMostOffset, kMostOffset);
  r.scaleX = std::clamp(r.scaleX, -kMostPercent, kMostPercent);
  r.scaleY = std::clamp(r.scaleY, -kMostPercent, kMostPercent);
  r.width = std::clamp(r.width, 0, kMostSide * 4 + 3);
  r.height = std::clamp(r.height, 0, kMostSide * 4 + 3);
  return r;
}

// One line of 200 values, each followed by a comma, then "0".
void writeArray(const text::Backlog& backlog, std::string& out, const char* key,
                const std::function<void(const text::BacklogEntry&, std::string&)>& value) {
  out += key;
  out += '=';
  for (std::int32_t i = 0; i < text::kBacklogEntries; ++i) {
    value(backlog.at(i), out);
    out += ',';
  }
  out += "0\n";
}

void readArray(text::Backlog& backlog, const RecordLines& record, std::string_view key,
               const std::function<void(text::BacklogEntry&, const Fields&, std::size_t)>& set) {
  if (!record.has(key)) return;
  const Fields fields = record.fields(key);
  for (std::int32_t i = 0; i < text::kBacklogEntries; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (fields.has(at)) set(backlog.at(i), fields, at);
  }
}

}  // namespace

std::string protectedField(std::string_view text, bool inName) {
  std::size_t first = 0;
  while (first < text.size() && blank(text[first])) ++first;
  std::size_t end = text.size();
  while (end > first && blank(text[end - 1])) --end;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool edge = i < first || i >= end;
    const bool special = c == ',' || c == '\n' || c == '\r' || c == kProtect ||
                         (inName && c == '|') || (edge && blank(c));
    if (!special) {
      out += c;
      continue;
    }
    for (const auto& [byte, letter] : kProtected) {
      if (byte == c) {
        out += kProtect;
        out += letter;
        break;
      }
    }
  }
  return out;
}

std::string unprotectedField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == kProtect && i + 1 < field.size()) {
      const auto* const found =
          std::find_if(kProtected.begin(), kProtected.end(),
                       [letter = field[i + 1]](const auto& p) { return p.second == letter; });
      if (found != kProtected.end()) {
        out += found->first;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

void writeBacklogLines(const text::Backlog& backlog, std::string& out) {
  for (std::int32_t i = 0; i < text::kBacklogEntries; ++i) {
    const text::BacklogEntry& e = backlog.at(i);
    if (i == backlog.currentIndex() || e.text.empty()) continue;
    appendFormat(out, "msgBuffer%d=%s,%s\n", i, protectedField(e.text, false).c_str(),
                 protectedField(e.tag, false).c_str());
    appendFormat(out, "msgImage%d=", i);
    for (const text::ImageLogRecord& r : e.images) writeRecord(r, out);
    out += '\n';
  }
  using Entry = text::BacklogEntry;
  writeArray(backlog, out, "msgScreenX",
             [](const Entry& e, std::string& o) { appendFormat(o, "%d", e.screen.x); });
  writeArray(backlog, out, "msgScreenY",
             [](const Entry& e, std::string& o) { appendFormat(o, "%d", e.screen.y); });
  writeArray(backlog, out, "msgScreenW",
             [](const Entry& e, std::string& o) { appendFormat(o, "%X", hexOf(e.screen.w)); });
  writeArray(backlog, out, "msgScreenH",
             [](const Entry& e, std::string& o) { appendFormat(o, "%X", hexOf(e.screen.h)); });
  writeArray(backlog, out, "msgCounts",
             [](const Entry& e, std::string& o) { appendFormat(o, "%X", hexOf(e.lineCount)); });
  writeArray(backlog, out, "msgHash",
             [](const Entry& e, std::string& o) { o += util::hashDisplayName(e.scriptHash); });
  writeArray(backlog, out, "msgLine",
             [](const Entry& e, std::string& o) { appendFormat(o, "%X", hexOf(e.line)); });
  writeArray(backlog, out, "msgSave",
             [](const Entry& e, std::string& o) { appendFormat(o, "%X", hexOf(e.saveNumber)); });
}

void restoreBacklogLines(text::Backlog& backlog, const RecordLines& record) {
  for (std::int32_t i = 0; i < text::kBacklogEntries; ++i) {
    text::BacklogEntry& e = backlog.at(i);
    e = text::BacklogEntry{};
    const std::string index = std::to_string(i);
    if (const std::string key = "msgBuffer" + index; record.has(key)) {
      const Fields fields = record.fields(key);
      const std::string body = unprotectedField(fields.text(0));
      const std::string tag = unprotectedField(fields.text(1));
      e.text = body.substr(0, text::wholeCharacters(body, text::kBacklogTextBytes - 1));
      e.tag = tag.substr(0, text::wholeCharacters(tag, text::kBacklogTagBytes - 1));
    }
    // An empty element (after the last record's comma) ends the picture.
    for (const std::string_view element : listElements(record.value("msgImage" + index))) {
      if (element.empty() || e.images.size() == text::kImageLogRecords) break;
      e.images.push_back(readRecord(element));
    }
  }
  using Entry = text::BacklogEntry;
  readArray(backlog, record, "msgScreenX", [](Entry& e, const Fields& f, std::size_t i) {
    e.screen.x = std::clamp(f.decimal(i, e.screen.x), -kMostOffset, kMostOffset);
  });
  readArray(backlog, record, "msgScreenY", [](Entry& e, const Fields& f, std::size_t i) {
    e.screen.y = std::clamp(f.decimal(i, e.screen.y), -kMostOffset, kMostOffset);
  });
  const auto hex = [](const Fields& f, std::size_t i, std::int32_t fallback) {
    return static_cast<std::int32_t>(f.hex(i, static_cast<std::uint32_t>(fallback)));
  };
  readArray(backlog, record, "msgScreenW", [&](Entry& e, const Fields& f, std::size_t i) {
    e.screen.w = std::clamp(hex(f, i, e.screen.w), 0, kMostPercent);
  });
  readArray(backlog, record, "msgScreenH", [&](Entry& e, const Fields& f, std::size_t i) {
    e.screen.h = std::clamp(hex(f, i, e.screen.h), 0, kMostPercent);
  });
  readArray(backlog, record, "msgCounts", [&](Entry& e, const Fields& f, std::size_t i) {
    e.lineCount = hex(f, i, e.lineCount);
  });
  readArray(backlog, record, "msgHash", [](Entry& e, const Fields& f, std::size_t i) {
    e.scriptHash = util::hashFromDisplayName(f.text(i));
  });
  readArray(backlog, record, "msgLine",
            [&](Entry& e, const Fields& f, std::size_t i) { e.line = hex(f, i, e.line); });
  readArray(backlog, record, "msgSave", [&](Entry& e, const Fields& f, std::size_t i) {
    e.saveNumber = hex(f, i, e.saveNumber);
  });
}

}  // namespace tsuzuri::persist
