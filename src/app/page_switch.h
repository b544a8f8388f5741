// The page switch run by the navigation buttons, and the address box's
// placeholder texts that go with the collection modes.
#pragma once

#include <string>

class MainWindow;

// What navigation button `button` (1 to 7) does: banner, hint, page, and for
// the collection modes the address caption, placeholder and collectMode;
// 7 opens the exit confirmation. Other numbers do nothing.
void switchPage(MainWindow& window, int button);

// The placeholder of a collect mode ("单品", "列表", "店铺"); empty for none.
std::string placeholderFor(const std::string& collectMode);
// Whether the text is one of the three placeholders.
bool isPlaceholder(const std::string& text);
