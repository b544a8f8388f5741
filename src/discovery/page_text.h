// Helpers that turn fetched marketplace pages into text and pull values out of
// them by their surrounding markers.
#pragma once

#include <string>
#include <string_view>

// The page's bytes as text: NUL bytes become spaces so the text never ends early.
std::string pageText(std::string bytes);

// The text between the first `left` at or after `start` (1-based, below 1 counts
// as 1) and the first `right` after it; empty when either marker is missing.
// "#引号" in a marker stands for a double quote. Letter case is ignored unless
// `caseSensitive`. Searches step over double-byte characters.
std::string extractBetween(std::string_view text, std::string left, std::string right, int start = 1,
                           bool caseSensitive = false);

// Everything after the last `marker` (case-sensitive), or empty when it is absent.
std::string textAfterLast(std::string_view text, std::string_view marker);
