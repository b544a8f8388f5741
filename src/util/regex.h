// One compiled regular expression with 1-based access to its matches and their
// capture groups, over the platform's "VBScript.RegExp" COM class. Texts are
// GBK; matching works on characters. A matcher belongs to the thread that
// created it, which has initialised COM; failures give empty results.
#pragma once

#include <cstdint>
#include <string>

struct IDispatch;

class RegexMatcher {
 public:
  RegexMatcher() = default;
  // Copies share the expression and the matches; each copy releases its own.
  RegexMatcher(const RegexMatcher& other);
  RegexMatcher& operator=(const RegexMatcher& other);
  RegexMatcher(RegexMatcher&& other) noexcept;
  RegexMatcher& operator=(RegexMatcher&& other) noexcept;
  virtual ~RegexMatcher();

  // Releases the expression and the matches.
  virtual void destroy();
  virtual RegexMatcher clone() const;
  // False when the expression object cannot be created. An invalid pattern is
  // not detected here; it makes execute find nothing.
  virtual bool compile(const std::string& pattern, bool ignoreCase = true, bool multiline = true,
                       bool global = true);
  virtual std::string patternText() const;
  // The replacement may use group references such as $1.
  virtual std::string replaceAll(const std::string& text, const std::string& replacement) const;
  // The number of matches, also kept as matchCount.
  virtual int32_t execute(const std::string& text);
  virtual int32_t matchCount() const;
  virtual std::string matchText(int32_t match) const;
  // Empty for a match or group out of range and for a group that took no part.
  virtual std::string subMatchText(int32_t match, int32_t group) const;
  // Groups of the first match; 0 without matches.
  virtual int32_t subMatchCount() const;

 private:
  IDispatch* expression_ = nullptr;
  IDispatch* matches_ = nullptr;
  int32_t count_ = 0;
};
