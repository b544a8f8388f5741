// The data package file: GBK comma-separated text in the 4.x or 5.x layout of
// the seller program, header lines first, one row per item with a title.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "generation/item_record.h"

struct AppState;

extern const std::string_view kPackageHeader4;  // one line
extern const std::string_view kPackageHeader5;  // three lines

// One row, ending with "\r\n": the 4.x layout when layoutVersion is 4, else 5.x.
// Every field reads back as the item's own text with a standard CSV reader.
std::string packageRow(const ItemRecord& item, int32_t layoutVersion, std::string_view mallItemPageHost);

// Adds the item's row in the stored layout and counts it, in one step under
// state.packageMutex.
void appendRow(AppState& state, const ItemRecord& item);

// Writes the header chosen by the layout radio button and every collected row
// to `path`, replacing the file. False when the file was not written whole.
bool writePackage(AppState& state, const std::string& path, bool layout4Radio);
