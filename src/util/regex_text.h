// The matcher's text crossings: GBK into the platform strings the expression
// object takes, and its strings back to GBK.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace regex_text {

// A new BSTR (the caller frees it) holding the GBK text as UTF-16. Converted
// straight into the BSTR: a listing page is half a megabyte, and an
// intermediate wide copy doubled the cost of handing it over.
BSTR toBstr(std::string_view gbk);

std::string fromBstr(BSTR s);

}  // namespace regex_text
