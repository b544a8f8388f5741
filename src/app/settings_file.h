// Profile files (sections in square brackets, key=value lines), read and written
// byte for byte in GBK. Section and key names match without regard to ASCII
// letter case. Read as the platform's profile routines read; a write touches
// only the line it changes, so everything else in the file stays as it was.
#pragma once

#include <string>
#include <string_view>

namespace profile {

// The value of `key` in `section`, empty when the section or key is missing.
// Spaces and tabs around it are dropped, and one pair of matching quotes around
// it too.
std::string readValue(std::string_view content, std::string_view section, std::string_view key);
// The content with `key` in `section` set to `value`; the section and key are
// added at their ends when missing. New lines end with "\r\n".
std::string writeValue(std::string_view content, std::string_view section, std::string_view key,
                       std::string_view value);

// The same on a file: a missing file reads as empty. A write creates the file,
// never its folder; false when the file could not be written.
std::string readFile(const std::string& path, std::string_view section, std::string_view key);
bool writeFile(const std::string& path, std::string_view section, std::string_view key, std::string_view value);

}  // namespace profile

struct AppState;
// Run directory + "\\options\\options.ini", built anew on every call.
std::string settingsFilePath(const AppState& state);
std::string settingsFolderPath(const AppState& state);
