// How the demo marketplace maps a request onto the files of its site folder.
// The rules are written out in README.md beside this file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace demo {

struct SitePort {
  uint16_t port;
  const char* folder;  // sub-folder of the site folder
  const char* role;
};

// The fixed loopback ports of the program's endpoints (see the top CMakeLists.txt).
inline constexpr SitePort kSitePorts[] = {
    {8610, "service", "maker's service"},
    {8611, "api", "open-API gateway"},
    {8612, "item", "item pages"},
    {8613, "mall", "mall item pages"},
    {8614, "shop", "demo shop"},
};

// Files that may answer `target` ("/x/y?query"), in the order tried, relative to
// the port's folder with "/" separators. Empty when the target may not be
// served (it would leave the folder).
std::vector<std::string> candidateFiles(std::string_view target);

// Content-Type for a file by its extension.
std::string contentTypeFor(std::string_view file);

}  // namespace demo
