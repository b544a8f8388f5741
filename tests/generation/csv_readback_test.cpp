// Writes packages whose items carry quotes, commas and marker-like texts, for
// csv_readback.py to read back with a standard CSV reader. Run alone (as the
// CTest entry generation_csv_readback does) with --keep-package to leave the
// files for the reader.
#include <gtest/gtest.h>

#include <cstdio>

#include "generation/generation_fixture.h"
#include "util/file_io.h"
#include "util/text.h"

namespace gentest {
namespace {

class CsvReadback : public GenerationWindowTest {};

TEST_F(CsvReadback, WritesPackagesInBothLayouts) {
  const std::string name = "csv_readback_" + std::to_string(GetCurrentProcessId());
  const std::string out = fileio::runDirectory() + "\\" + name;
  fileio::createFolder(out);
  state->itemList.addItemRow("一", "", "", "501");
  state->itemList.addItemRow("二", "", "", "502");
  state->itemList.addItemRow("三", "", "", "503");  // an error answer: no row
  answer([](const std::string& id) {
    std::string body;
    if (id == "501")
      body = itemAnswer(
          "<title>他说\"好\",就买</title><cid>5,6</cid><outer_id>O\"1</outer_id><input_str>x|*|y</input_str>"
          "<desc><![CDATA[<img src=\"http://p.example/a.jpg\"> \"引号\" |*| a,b]]></desc>");
    else if (id == "502")
      body = itemAnswer("<title>普通</title><props>1:2</props><desc>x&quot;y&quot;,z</desc>");
    else
      body = errorAnswer();
    return loopback::Reply::text(body, "text/xml");
  });
  for (int layout : {4, 5}) {
    state->packageLayoutVersion = layout;
    tick(layout == 4 ? kLayout4 : kLayout5);
    window->setControlText(kPathBox, out + "\\pkg" + std::to_string(layout) + ".csv");
    if (HWND old = completionWindow()) DestroyWindow(old);
    ASSERT_NE(runToCompletion(), nullptr);
    EXPECT_EQ(state->succeededItems.load(), 2);
  }
  std::printf("PACKAGE_FOLDER %s\n", name.c_str());
  if (!wcsstr(GetCommandLineW(), L"--keep-package")) {
    for (const char* f : {"\\pkg4.csv", "\\pkg5.csv"}) fileio::deleteFile(out + f);
    RemoveDirectoryW(text::toWide(out).c_str());
  }
}

}  // namespace
}  // namespace gentest
