#include "util/digest.h"

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

}  // namespace

std::string md5Text(std::string_view text, bool middle) {
  const auto digest = md5Digest(text);
  std::string hex;
  hex.reserve(32);
  for (uint8_t b : digest) {
    hex += kLowerHex[b >> 4];
    hex += kLowerHex[b & 15];
  }
  return middle ? hex.substr(8, 16) : hex;
}

std::string hexSignature(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kUpperHex[b >> 4];
    out += kUpperHex[b & 15];
  }
  return out;
}

std::string percentEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (unsigned char b : text) {
    out += '%';
    out += kUpperHex[b >> 4];
    out += kUpperHex[b & 15];
  }
  return out;
}
