#include "util/digest.h"

namespace {

struct SignatureRow {
  const char* patterns[2];
  const char* extension;
};

// Tested in this order; the first pattern that prefixes the signature wins.
// "3C21444F435459504520" is "<!DOCTYPE ": an error page stored as a picture
// keeps the picture's name.
constexpr SignatureRow kSignatures[] = {
    {{"FFD8", "3C21444F435459504520"}, "jpg"},
    {{"0000020000", "0000100000"}, "tga"},
    {{"474946383961", "474946383761"}, "gif"},
    {{"89504E47", nullptr}, "png"},
    {{"424D", nullptr}, "bmp"},
    {{"0A", nullptr}, "pcx"},
    {{"4D4D", "4949"}, "tiff"},
    {{"0000010001002020", nullptr}, "ico"},
    {{"0000020001002020", nullptr}, "cur"},
    {{"464F524D", nullptr}, "iff"},
    {{"52494646", nullptr}, "ani"},
};

}  // namespace

std::string detectImageType(std::string_view bytes) {
  const std::string signature = hexSignature(bytes.substr(0, 10));
  for (const auto& row : kSignatures)
    for (const char* pattern : row.patterns)
      if (pattern && std::string_view(signature).starts_with(pattern)) return row.extension;
  return std::string(kUnknownImageTypePrefix) + signature;
}
