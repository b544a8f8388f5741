// The data package path split into the picture folder's parts.
#pragma once

#include <string>

struct OutputPath {
  std::string directory;  // up to and including the last "\\"; empty without one
  std::string stem;       // the file name up to its first "."; empty without one
};

// Backslash and dot are found character by character, so the second byte of a
// double-byte character (0x5C can be one) is never taken for a separator.
OutputPath splitOutputPath(const std::string& path);

struct AppState;
// Splits `path` into state.outputDirectory and state.outputFileStem.
void applyOutputPath(AppState& state, const std::string& path);
