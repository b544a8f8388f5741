#include <gtest/gtest.h>

#include "app/settings_file.h"
#include "shell_fixture.h"
#include "util/file_io.h"

namespace {

TEST(ProfileRead, FindsValuesAsThePlatformReadsThem) {
  const std::string file =
      "top=ignored\r\n"
      "[DL_PIC]\r\n"
      "download=真\r\n"
      "  Fall =  3 \r\n"
      "quoted=\"a b\"\r\n"
      "single='x'\r\n"
      "half=\"open\r\n"
      "noequals\r\n"
      "eq=a=b]c\r\n"
      "\r\n"
      "[ pr_info ]\n"
      "price=100\n"
      "gbk=替换\x81\x5D值\n"
      "[DL_PIC]\r\n"
      "later=second section of the same name\r\n";
  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  } cases[] = {
      {"DL_PIC", "download", "真"},
      {"dl_pic", "DOWNLOAD", "真"},        // names match without regard to case
      {"DL_PIC", "fall", "3"},             // spaces around key and value dropped
      {"DL_PIC", "quoted", "a b"},         // one pair of matching quotes dropped
      {"DL_PIC", "single", "x"},
      {"DL_PIC", "half", "\"open"},        // unmatched quote stays
      {"DL_PIC", "noequals", ""},
      {"DL_PIC", "eq", "a=b]c"},           // the value runs from the first "="
      {"DL_PIC", "top", ""},               // lines before any section belong to none
      {"DL_PIC", "price", ""},             // a key of another section
      {"DL_PIC", "later", ""},             // only the first section of a name counts
      {"PR_INFO", "price", "100"},         // LF-only lines, spaces inside the brackets
      {"PR_INFO", "gbk", "替换\x81\x5D值"},  // bytes as they are, "]" as a second byte included
      {"SAVE", "type", ""},                // missing section
      {"PR_INFO", "num", ""},              // missing key
  };
  for (const Case& c : cases)
    EXPECT_EQ(profile::readValue(file, c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST(ProfileWrite, ChangesOnlyTheLineItWrites) {
  const std::string file =
      "; kept as it is\n"
      "[DL_PIC]\n"
      "Download = 假\n"
      "fall=1\n"
      "\n"
      "[SAVE]\n"
      "type=4\n";
  struct Case {
    const char *section, *key, *value;
    std::string expected;
  } cases[] = {
      // the key keeps the file's spelling and the line its ending
      {"dl_pic", "download", "真", "; kept as it is\n[DL_PIC]\nDownload=真\nfall=1\n\n[SAVE]\ntype=4\n"},
      // a new key goes after the section's last entry, before the blank line
      {"DL_PIC", "taobao_only", "假",
       "; kept as it is\n[DL_PIC]\nDownload = 假\nfall=1\ntaobao_only=假\r\n\n[SAVE]\ntype=4\n"},
      {"SAVE", "type", "", "; kept as it is\n[DL_PIC]\nDownload = 假\nfall=1\n\n[SAVE]\ntype=\n"},
      // a new section goes at the end
      {"REPLACE", "to3", "替换", file + "[REPLACE]\r\nto3=替换\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(profile::writeValue(file, c.section, c.key, c.value), c.expected) << c.section << "/" << c.key;

  // Content without a final line end.
  EXPECT_EQ(profile::writeValue("[A]\r\nx=1", "A", "y", "2"), "[A]\r\nx=1\r\ny=2");
  EXPECT_EQ(profile::writeValue("[A]\r\nx=1", "B", "y", "2"), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  EXPECT_EQ(profile::writeValue("", "A", "k", "v"), "[A]\r\nk=v\r\n");
}

TEST(ProfileFile, MissingFileReadsEmptyAndWritingNeverMakesTheFolder) {
  shelltest::ScratchFolder dir;
  const std::string inMissingFolder = dir.path() + "\\options\\options.ini";
  EXPECT_EQ(profile::readFile(inMissingFolder, "DL_PIC", "download"), "");
  EXPECT_FALSE(profile::writeFile(inMissingFolder, "DL_PIC", "download", "真"));
  EXPECT_FALSE(fileio::folderExists(dir.path() + "\\options"));

  const std::string path = dir.path() + "\\settings.ini";
  EXPECT_TRUE(profile::writeFile(path, "DL_PIC", "download", "真"));
  EXPECT_TRUE(profile::writeFile(path, "DL_PIC", "fall", "3"));
  EXPECT_TRUE(profile::writeFile(path, "DL_PIC", "download", "假"));
  EXPECT_EQ(shelltest::readFile(path), "[DL_PIC]\r\ndownload=假\r\nfall=3\r\n");
  EXPECT_EQ(profile::readFile(path, "DL_PIC", "fall"), "3");
}

}  // namespace
