// GBK text helpers shared by every module. Texts are byte strings in code page
// 936; positions count from 1 and a failed search gives -1. Searches step over
// double-byte characters (a lead byte 0x81-0xFE takes the next byte with it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace text {

inline bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// 1-based position of `needle` in `hay` at or after position `start` (below 1
// counts as 1), or -1. Only character starts are candidates, so the second byte
// of a double-byte character never starts a match.
int find(std::string_view hay, std::string_view needle, int start = 1);
// The same, letters A-Z and a-z compared without regard to case.
int findNoCase(std::string_view hay, std::string_view needle, int start = 1);
// Last character-aligned occurrence, or -1.
int findLast(std::string_view hay, std::string_view needle);

bool equalsNoCase(std::string_view a, std::string_view b);
bool containsNoCase(std::string_view hay, std::string_view needle);
std::string toLowerAscii(std::string_view s);

// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1) only.
std::string trim(std::string_view s);
std::string trimLeft(std::string_view s);
std::string trimRight(std::string_view s);
// Spaces (0x20) only, both ends.
std::string trimSpaces(std::string_view s);

// Splits at every character-aligned `sep`; empty inner fields are kept, an empty
// last field is dropped (so "a||" split at "||" gives {"a"}).
std::vector<std::string> split(std::string_view s, std::string_view sep);

// Replaces every character-aligned occurrence of `from` (non-empty) by `to`.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);
// The same, letters compared without regard to case.
std::string replaceAllNoCase(std::string_view s, std::string_view from, std::string_view to);

// The leading decimal number of a text (optional spaces, sign, digits, fraction,
// exponent), 0 when there is none.
double leadingNumber(std::string_view s);
// Leading number truncated toward zero to a 32-bit integer.
int32_t leadingInt(std::string_view s);

// "%.13g".
std::string formatG13(double v);
std::string decimal(long long v);

// Code-page conversion. GBK is code page 936.
std::wstring toWide(std::string_view gbk);
std::string fromWide(std::wstring_view wide);
std::string utf8ToGbk(std::string_view utf8);
// The same conversion into `gbk`, reusing its storage and that of `wideScratch`
// and measuring nothing first: for callers that convert large texts repeatedly.
void utf8ToGbk(std::string_view utf8, std::string& gbk, std::wstring& wideScratch);
std::string gbkToUtf8(std::string_view gbk);
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

}  // namespace text
