#include <gtest/gtest.h>

#include "app/output_path.h"

namespace {

TEST(OutputPath, SplitsIntoFolderAndStem) {
  struct Case {
    std::string path, directory, stem;
  } cases[] = {
      {"D:\\data\\shop.a.csv", "D:\\data\\", "shop"},
      {"D:\\out\\pack.csv", "D:\\out\\", "pack"},
      {"D:\\a.b\\file", "D:\\a.b\\", ""},  // the only dot lies in a folder name
      {"D:\\ver.2\\pack", "D:\\ver.2\\", ""},
      {"C:\\run\\csv1375257600.csv", "C:\\run\\", "csv1375257600"},
      {"pack.csv", "", "pack"},            // no backslash: the whole path is the name
      {"pack", "", ""},
      {"D:\\out\\", "D:\\out\\", ""},
      {"D:\\out\\.csv", "D:\\out\\", ""},
      {"", "", ""},
      // 0x81 0x5C is one character whose second byte is a backslash
      {"D:\\ab\\\x81\x5Cx.csv", "D:\\ab\\", "\x81\x5Cx"},
      {"D:\\数据\\宝贝.csv", "D:\\数据\\", "宝贝"},
  };
  for (const Case& c : cases) {
    OutputPath split = splitOutputPath(c.path);
    EXPECT_EQ(split.directory, c.directory) << c.path;
    EXPECT_EQ(split.stem, c.stem) << c.path;
  }
}

}  // namespace
