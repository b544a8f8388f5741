// Naming and writing of the package's picture files, shared by the description
// and the item picture stages.
#pragma once

#include <string>

namespace picturefiles {

// The item's picture folder name from its cleaned title: "/", "\\" and "."
// removed, and whatever else Windows would refuse or misread in a folder name
// (reserved characters, control characters, trailing spaces, device names).
std::string safeFolderName(const std::string& title);

// A millisecond count for a picture name that never repeats within the process:
// the clock's count, or one more than the last one handed out.
std::string uniqueMillisecondText();

// Writes the whole file; two threads writing the same path take turns.
bool writePicture(const std::string& path, const std::string& bytes);

}  // namespace picturefiles
