#include "util/regex_text.h"

#include "util/text.h"

namespace regex_text {

BSTR toBstr(std::string_view gbk) {
  if (gbk.empty()) return SysAllocStringLen(L"", 0);
  const int n = MultiByteToWideChar(936, 0, gbk.data(), int(gbk.size()), nullptr, 0);
  if (n <= 0) return SysAllocStringLen(L"", 0);
  BSTR s = SysAllocStringLen(nullptr, UINT(n));
  if (s) MultiByteToWideChar(936, 0, gbk.data(), int(gbk.size()), s, n);
  return s;
}

std::string fromBstr(BSTR s) {
  if (!s) return {};
  return text::fromWide(std::wstring_view(s, SysStringLen(s)));
}

}  // namespace regex_text
