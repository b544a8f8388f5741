// Turns one API answer into the item's column texts.
#pragma once

#include <string>
#include <string_view>

struct WorkerContext;

// Makes the title usable as a row text and as a folder name.
std::string cleanTitle(std::string_view title);
// Repairs the character references that matter and leaves every double quote
// doubled, the escaped form inside a quoted package field.
std::string cleanDescription(std::string_view desc);

// The seller program's codes.
std::string freightCode(std::string_view answer, bool layout4);
std::string statusCode(std::string_view answer);
std::string warrantyCode(std::string_view answer);
// Appends the closing ";" unless the last ";" is the first character.
std::string closeProperties(std::string_view props);
// number(value) x number(percent) / 100, as "%.13g".
std::string adjustedPrice(std::string_view value, std::string_view percent);

// Fills context.item from context.document (item.itemId is set by the caller)
// and writes the three mapping lines. Options are read at the moment of use.
void mapItem(WorkerContext& context);
