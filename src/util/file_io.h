// Whole-file reads and writes and folder creation, GBK paths.
#pragma once

#include <optional>
#include <string>

namespace fileio {

// Folder of the executable, without a trailing backslash.
std::string runDirectory();
// Creates a folder; an existing one is no error. Returns whether it exists afterwards.
bool createFolder(const std::string& path);
bool folderExists(const std::string& path);
bool fileExists(const std::string& path);
// Writes the bytes, replacing any earlier content. Returns false when the file
// could not be written completely.
bool writeWholeFile(const std::string& path, const std::string& bytes);
std::optional<std::string> readWholeFile(const std::string& path);
bool deleteFile(const std::string& path);

}  // namespace fileio
