#pragma once

// Perl-style regular expressions over Shift_JIS text, for the regexp_*
// built-ins. Patterns are written as Perl writes them:
//
//   m/re/opts or /re/opts      match and split (options g i m s x k o)
//   s/re/replacement/opts      substitution (options g i m s x k o)
//   tr/list/list/opts, y/...   transliteration (options c d s r k)
//
// "k" (Shift_JIS) is always in effect and "o" and "r" change nothing: every
// operation gives its result and leaves the text alone.
//
// Any single-byte character but a letter, a digit, "_", a blank or "\" may
// stand for "/"; ( [ { < are closed by their partners and may nest, and a
// bracketed first part may be followed by another delimiter pair
// (s{a}{b}). A "\" before the delimiter makes it a plain character of the
// expression. Regular expressions are Oniguruma's Perl syntax; a double-byte
// character is one character everywhere, so "\" never matches the trail byte
// of "表". Texts and results are byte strings that may hold NUL bytes;
// positions and lengths are in bytes.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsuzuri::script {

class Regexps {
 public:
  struct Match {
    std::size_t position = 0;
    std::size_t length = 0;
  };

  // A substituted or transliterated text. `count` is the number of
  // substitutions made, or of characters found by a transliteration; with a
  // count of 0 the text is the input unchanged.
  struct Rewrite {
    int count = 0;
    std::string text;
  };

  // An operation's value, or why the pattern (or, rarely, the matcher) failed.
  template <class T>
  struct Result {
    T value{};
    // English, from Oniguruma or the pattern reader; empty on success.
    std::string error;
    bool failed() const { return !error.empty(); }
  };

  Regexps();
  ~Regexps();
  Regexps(const Regexps&) = delete;
  Regexps& operator=(const Regexps&) = delete;

  // Sets Oniguruma up for Shift_JIS, once per process. The operations call
  // it themselves; calling it early only moves the work.
  static void initialize();

  // The first match, or none.
  Result<std::optional<Match>> match(std::string_view pattern, std::string_view text);
  // The first match replaced, or every match with "g". The replacement
  // knows $1 ... $N and ${N}, $& and $0, $` and $', \1 ... \9, and the
  // escapes \n \t \r \f \e \a, \xHH and octal \NNN; any other escaped
  // character stands for itself.
  Result<Rewrite> substitute(std::string_view pattern, std::string_view text);
  Result<Rewrite> transliterate(std::string_view pattern, std::string_view text);
  // Perl's split with no limit: the pieces between matches, followed after
  // each match by its groups; an empty match at a piece's start does not
  // cut, so an empty expression cuts between characters; trailing empty
  // pieces are dropped.
  Result<std::vector<std::string>> split(std::string_view pattern, std::string_view text);

  // Compiled patterns kept for reuse, all operations together.
  std::size_t cachedCount() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tsuzuri::script
