// Pieces the three fetch operations share, and the few seams their tests use.
// Not for use outside util/http*.cpp and its tests.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>
#include <string_view>
#include <vector>

namespace http_detail {

inline constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr const char* kBrowserAccept =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

// Owns one WinINet handle. Moves only; closes once.
class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET h);
  ~InternetHandle() { reset(); }
  InternetHandle(InternetHandle&& other) noexcept : h_(other.release()) {}
  InternetHandle& operator=(InternetHandle&& other) noexcept;
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HINTERNET release();
  void reset();

 private:
  HINTERNET h_ = nullptr;
};

// Appends the name=value part of every Set-Cookie line of `headers` whose value
// is non-empty to `jar`, joined by "; ". Nothing happens unless `headers`
// contains `presence` (fetchPage looks for "Set-Cookie:", the COM request for
// "Set-Cookie").
std::string mergeResponseCookies(std::string jar, const std::string& headers, std::string_view presence);

// How long fetchPage waits for its request thread: 0 (or less) means 90 s.
DWORD fetchWaitMilliseconds(int timeoutSeconds);
// The one time-out the COM request gets for all four phases: 0 (or less) means 15 s.
long comTimeoutMilliseconds(int timeoutSeconds);

// Request threads of fetchPage still running, and WinINet handles of this
// module still open (the download session included); both only ever return to
// where they were once every call has unwound.
int liveRequestThreads();
int openInternetHandles();

// The COM request classes tried in order. Tests replace them to reach the
// "no class" path; an empty list restores the program's own.
void setComRequestClasses(std::vector<std::wstring> progIds);
std::vector<std::wstring> comRequestClasses();

}  // namespace http_detail
