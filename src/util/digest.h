// Picture file naming helpers: MD5 digests, leading-byte type detection and
// percent escapes. All work on the bytes of GBK texts and are pure.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The RFC 1321 digest of the bytes.
std::array<uint8_t, 16> md5Digest(std::string_view bytes);

// 32 lowercase hexadecimal digits of the digest; with `middle` only its
// characters 9 to 24 (16 characters).
std::string md5Text(std::string_view text, bool middle = false);

// Every byte as two uppercase hexadecimal digits, no separators.
std::string hexSignature(std::string_view bytes);

// "%" and two uppercase hexadecimal digits for every byte.
std::string percentEncode(std::string_view text);

// The file extension (without the dot) for picture bytes, chosen from their
// first ten bytes; "你杯具了 无法识别 特征码:" + signature when none fits.
std::string detectImageType(std::string_view bytes);

// The prefix of detectImageType's answer for unrecognised bytes.
inline constexpr std::string_view kUnknownImageTypePrefix = "你杯具了 无法识别 特征码:";
