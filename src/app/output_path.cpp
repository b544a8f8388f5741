#include "app/output_path.h"

#include "app/app_state.h"
#include "util/text.h"

OutputPath splitOutputPath(const std::string& path) {
  OutputPath out;
  int slash = text::findLast(path, "\\");
  std::string name = path;
  if (slash > 0) {
    out.directory = path.substr(0, size_t(slash));
    name = path.substr(size_t(slash));
  }
  int dot = text::find(name, ".");
  if (dot > 0) out.stem = name.substr(0, size_t(dot - 1));
  return out;
}

void applyOutputPath(AppState& state, const std::string& path) {
  OutputPath split = splitOutputPath(path);
  state.outputDirectory = std::move(split.directory);
  state.outputFileStem = std::move(split.stem);
}
