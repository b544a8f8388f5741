#include "generation/picture_files.h"

#include <atomic>
#include <functional>
#include <mutex>

#include "util/file_io.h"
#include "util/text.h"
#include "util/time_stamps.h"

namespace picturefiles {

std::string safeFolderName(const std::string& title) {
  std::string name = text::replaceAll(text::replaceAll(text::replaceAll(title, "/", ""), "\\", ""), ".", "");
  // Drop single-byte characters a folder name cannot hold; double-byte
  // characters are kept whole (their second byte may be any of these).
  std::string kept;
  kept.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = (unsigned char)name[i];
    if (text::isLeadByte(c) && i + 1 < name.size()) {
      kept.append(name, i, 2);
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F) continue;
    if (c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*') continue;
    kept.push_back(char(c));
  }
  // Trailing spaces are dropped by the file system; leading ones are kept.
  while (!kept.empty() && kept.back() == ' ') kept.pop_back();
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                         "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                         "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  for (const char* d : kDevices)
    if (text::equalsNoCase(text::trimSpaces(kept), d)) {
      kept.insert(kept.begin(), '_');
      break;
    }
  if (kept.empty()) kept.assign(1, '_');
  return kept;
}

std::string uniqueMillisecondText() {
  static std::atomic<long long> last{0};
  long long now = std::stoll(timestamps::epochText(false));
  long long prev = last.load();
  long long next;
  do {
    next = now > prev ? now : prev + 1;
  } while (!last.compare_exchange_weak(prev, next));
  return std::to_string(next);
}

bool writePicture(const std::string& path, const std::string& bytes) {
  static std::mutex stripes[64];
  std::lock_guard<std::mutex> lock(stripes[std::hash<std::string>{}(text::toLowerAscii(path)) % 64]);
  return fileio::writeWholeFile(path, bytes);
}

}  // namespace picturefiles
