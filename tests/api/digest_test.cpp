#include <gtest/gtest.h>

#include <string>

#include "util/digest.h"

namespace {

std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += char(b);
  return s;
}

// RFC 1321 appendix A.5, then padding boundaries and bytes above 0x7F; the
// further digests were taken with md5sum.
TEST(Md5Text, MatchesReferenceDigests) {
  struct Case {
    std::string input;
    const char* expected;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
      {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
      {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
      {std::string(1000, 'a'), "cabe45dcc9ae5b66ba86600cca6b8ba8"},
      {"图片", "0d1e02125ab31302b49e348f9c54cf9a"},  // GBK CD BC C6 AC
  };
  for (const auto& c : cases) EXPECT_EQ(md5Text(c.input), c.expected) << c.input.size() << " bytes";

  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  EXPECT_EQ(md5Text(all), "e2c865db4162bed963bfaa9ef6ac18f0");
}

TEST(Md5Text, MiddleSixteen) {
  EXPECT_EQ(md5Text("abc", true), "3cd24fb0d6963f7d");
  EXPECT_EQ(md5Text("", true), "8f00b204e9800998");
}

TEST(PictureHelpers, Examples) {
  struct Case {
    const char* what;
    std::string actual;
    std::string expected;
  } cases[] = {
      {"percent 图", percentEncode("图"), "%CD%BC"},
      {"percent a b", percentEncode("a b"), "%61%20%62"},
      {"percent empty", percentEncode(""), ""},
      {"hex", hexSignature(bytes({0x0A, 0x00, 0xFF})), "0A00FF"},
      {"hex empty", hexSignature(""), ""},
      {"GIF87a", detectImageType("GIF87a\x01\x00\x01\x00rest"), "gif"},
      {"GIF89a", detectImageType("GIF89a"), "gif"},
      {"html page", detectImageType("<!DOCTYPE html><html>"), "jpg"},
      {"jpeg", detectImageType(bytes({0xFF, 0xD8, 0xFF, 0xE0})), "jpg"},
      {"pcx", detectImageType(bytes({0x0A, 0x05, 0x01, 0x08})), "pcx"},
      {"tga", detectImageType(std::string("\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00", 10)), "tga"},
      {"tga rle", detectImageType(std::string("\x00\x00\x10\x00\x00", 5)), "tga"},
      {"png", detectImageType("\x89PNG\r\n\x1a\n"), "png"},
      {"bmp", detectImageType("BM6\x0c"), "bmp"},
      {"tiff MM", detectImageType("MM\x00*"), "tiff"},
      {"tiff II", detectImageType("II*\x00"), "tiff"},
      {"ico", detectImageType(std::string("\x00\x00\x01\x00\x01\x00\x20\x20\x10\x00", 10)), "ico"},
      // 00 00 02 00 01 ... begins like no TGA row (the fifth byte is 01).
      {"cur", detectImageType(std::string("\x00\x00\x02\x00\x01\x00\x20\x20", 8)), "cur"},
      {"iff", detectImageType("FORM\x00\x00"), "iff"},
      {"riff", detectImageType("RIFF\x24\x00\x00\x00WEBP"), "ani"},
      {"ten zeros", detectImageType(std::string(10, '\0')), "你杯具了 无法识别 特征码:00000000000000000000"},
      {"no bytes", detectImageType(""), "你杯具了 无法识别 特征码:"},
      // Only the first ten bytes make the signature.
      {"long unknown", detectImageType("0123456789abcdef"), "你杯具了 无法识别 特征码:30313233343536373839"},
      // A signature shorter than a pattern never matches it.
      {"short gif", detectImageType("GIF8"), "你杯具了 无法识别 特征码:47494638"},
      // "<!DOCTYPE" needs the space after it.
      {"doctype no space", detectImageType("<!DOCTYPEhtml>"), "你杯具了 无法识别 特征码:3C21444F435459504568"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

}  // namespace
