#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <set>

#include "app/app_state.h"
#include "generation/picture_files.h"
#include "generation/pictures.h"
#include "generation/worker_context.h"
#include "support/loopback_server.h"
#include "util/digest.h"
#include "util/file_io.h"
#include "util/text.h"
#include "util/time_stamps.h"
#include "util/xml_document.h"

namespace {

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "jpeg-body";
const std::string kGif = "GIF89a-gif-body";
const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "png-body";
const std::string kBmp = "BM-bmp-body";
const std::string kHtml = "<html><body>404 not here</body></html>";

std::vector<std::string> lines(const std::string& log) {
  std::vector<std::string> out;
  for (auto& l : text::split(log, "\r\n")) out.push_back(l);
  return out;
}

// Log lines without their leading date-and-time text.
std::vector<std::string> bodies(const std::string& log) {
  std::vector<std::string> out;
  const std::string t = timestamps::logTime();
  for (auto& l : lines(log)) out.push_back(l.rfind(t, 0) == 0 ? l.substr(t.size()) : l);
  return out;
}

class PicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    timestamps::ClockSnapshot fixed;
    fixed.year = 2013, fixed.month = 7, fixed.day = 31, fixed.hour = 8, fixed.minute = 5, fixed.second = 9;
    timestamps::setClockSource([fixed] { return fixed; });
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    root = text::fromWide(tmp) + "qv_pictures_" + std::to_string(GetCurrentProcessId()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fileio::createFolder(root);
    state.outputDirectory = root + "\\";
    state.outputFileStem = "pkg";
    pictureFolder = root + "\\pkg";
    fileio::createFolder(pictureFolder);
    context = std::make_unique<WorkerContext>(state, control, 2);
    context->lastItemNumber = 3;
    context->runTotal = 7;
    context->item.title = "好宝贝";
    context->item.itemId = "10001";
  }
  void TearDown() override {
    context.reset();
    timestamps::setClockSource(nullptr);
    CoUninitialize();
  }

  std::string host() const { return server.hostPort(); }
  void setOptions(bool spaceOnly, int failureMode) {
    state.options.update([&](LiveOptions& o) { o.marketplaceSpaceOnly = spaceOnly; });
    state.imageFailureMode = failureMode;
  }
  std::string itemFolder() const { return pictureFolder + "\\" + context->itemFolderName; }
  std::string localAddress(const std::string& addr, const std::string& ext) const {
    return "file:///" + itemFolder() + "\\" + md5Text(addr, true) + "." + ext;
  }
  std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(text::toWide(folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(text::fromWide(fd.cFileName));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
  }

  loopback::LoopbackServer server;
  AppState state;
  RunControl control;
  std::unique_ptr<WorkerContext> context;
  std::string root, pictureFolder;
};

// --- main and sale-property pictures ---

std::string answerWithPictures(const std::string& base) {
  std::string imgs, props;
  for (int i = 0; i < 5; ++i)
    imgs += "<item_img><url>" + base + "/m" + std::to_string(i) + ".jpg</url></item_img>";
  props = "<prop_img><url>" + base + "/red.jpg</url><properties>1627207:28320</properties></prop_img>"
          "<prop_img><url>" + base + "/blue.jpg</url><properties>1627207:28338</properties></prop_img>";
  return "<?xml version=\"1.0\" encoding=\"utf-8\" ?><item_get_response><item><title>t</title><item_imgs>" + imgs +
         "</item_imgs><prop_imgs>" + props + "</prop_imgs></item></item_get_response>";
}

TEST_F(PicturesTest, MainAndColourPicturesInBothLayouts) {
  for (int i = 0; i < 5; ++i) server.serve("/m" + std::to_string(i) + ".jpg", kJpeg + char('0' + i));
  server.serve("/red.jpg", kGif);
  server.serve("/blue.jpg", kPng);
  struct Case {
    int layout;
    bool radio4;
    const char *mainKind, *propKind;
  } cases[] = {{4, true, ":0:", ":1:0:"}, {5, false, ":1:", ":2:0:"}};
  for (const auto& c : cases) {
    state.packageLayoutVersion = c.layout;
    state.options.update([&](LiveOptions& o) { o.layout4Radio = c.radio4; });
    ASSERT_TRUE(context->document->loadBytes(answerWithPictures(server.url("")), false, false));
    downloadMainPictures(*context);
    downloadPropertyPictures(*context);

    // name:kind:position:|; five times, then name:kind:properties|; twice
    auto entries = text::split(context->item.pictureColumn, "|;");
    ASSERT_EQ(entries.size(), 7u) << context->item.pictureColumn;
    std::set<std::string> names;
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string name = entries[i].substr(0, 32);
      names.insert(name);
      std::string expectedTail = i < 5 ? std::string(c.mainKind) + std::to_string(i) + ":"
                                       : std::string(c.propKind) + (i == 5 ? "1627207:28320" : "1627207:28338");
      EXPECT_EQ(entries[i].substr(32), expectedTail);
      auto bytes = fileio::readWholeFile(pictureFolder + "\\" + name + ".tbi");
      ASSERT_TRUE(bytes) << name;
      std::string expected = i < 5 ? kJpeg + char('0' + i) : (i == 5 ? kGif : kPng);
      EXPECT_EQ(*bytes, expected);
    }
    // Names made within one millisecond still differ: no picture replaces another.
    EXPECT_EQ(names.size(), 7u);
  }
  EXPECT_EQ(filesIn(pictureFolder).size(), 14u);
}

TEST_F(PicturesTest, LogLinesCarryNoWorkerLabel) {
  server.serve("/m0.jpg", kJpeg);
  ASSERT_TRUE(context->document->loadBytes(
      "<item_get_response><item><item_imgs><item_img><url>" + server.url("/m0.jpg") +
          "</url></item_img></item_imgs></item></item_get_response>",
      false, false));
  downloadMainPictures(*context);
  downloadPropertyPictures(*context);
  std::vector<std::string> expected = {
      "  开始下载 第：3/7  个宝贝   宝贝主图数据！",   "  正在下载 第：1/1  张 宝贝主图数据... ",
      "  下载完毕 第：3/7  个宝贝   宝贝主图数据！",   "  开始下载 第：3/7  个宝贝   销售属性图片数据！",
      "  下载完毕 第：3/7  个宝贝   销售属性图片数据！"};
  EXPECT_EQ(bodies(state.log.allText()), expected);
}

TEST_F(PicturesTest, ErrorAnswerWritesOnlyTheFourFrameLines) {
  ASSERT_TRUE(context->document->loadBytes(
      "<error_response><code>7</code><msg>App Call Limited</msg></error_response>", false, false));
  context->item.pictureColumn = "left over";
  downloadMainPictures(*context);
  downloadPropertyPictures(*context);
  EXPECT_EQ(context->item.pictureColumn, "");
  EXPECT_EQ(lines(state.log.allText()).size(), 4u);
  EXPECT_TRUE(filesIn(pictureFolder).empty());
}

TEST_F(PicturesTest, FailedDownloadKeepsFileAndEntryAndNamesTheAddress) {
  const std::string missing = server.url("/gone.jpg");  // 404: the body is what came, so use an empty 200
  server.serve("/gone.jpg", loopback::Reply::text(""));
  ASSERT_TRUE(context->document->loadBytes("<r><item><item_imgs><item_img><url>" + missing +
                                               "</url></item_img></item_imgs></item></r>",
                                           false, false));
  // The answer's top element has another name: the path does not reach it.
  downloadMainPictures(*context);
  EXPECT_EQ(context->item.pictureColumn, "");

  ASSERT_TRUE(context->document->loadBytes(
      "<item_get_response><item><item_imgs><item_img><url>" + missing +
          "</url></item_img></item_imgs></item></item_get_response>",
      false, false));
  downloadMainPictures(*context);
  auto entries = text::split(context->item.pictureColumn, "|;");
  ASSERT_EQ(entries.size(), 1u);
  auto bytes = fileio::readWholeFile(pictureFolder + "\\" + entries[0].substr(0, 32) + ".tbi");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "");
  EXPECT_NE(state.log.allText().find("下载失败 宝贝主图：" + missing), std::string::npos) << state.log.allText();
}

// --- description pictures ---

TEST_F(PicturesTest, DescriptionWithoutPicturesTouchesNothing) {
  context->item.desc = "<p>no pictures here</p>";
  localizeDescriptionPictures(*context);
  EXPECT_EQ(context->item.desc, "<p>no pictures here</p>");
  EXPECT_EQ(state.log.allText(), "");
  EXPECT_FALSE(fileio::folderExists(pictureFolder + "\\" + picturefiles::safeFolderName("好宝贝")));
}

TEST_F(PicturesTest, TagPictureIsStoredAndTheDescriptionPointsAtIt) {
  setOptions(false, 1);
  server.serve("/a.jpg", kJpeg);
  const std::string addr = host() + "/a.jpg";
  context->item.desc = "<P><IMG src=\"http://" + addr + "\" align=middle> and again HTTP://" + addr + "</P>";
  localizeDescriptionPictures(*context);
  const std::string local = localAddress(addr, "jpg");
  EXPECT_EQ(context->item.desc, "<P><IMG src=\"" + local + "\" align=middle> and again " + local + "</P>");
  auto bytes = fileio::readWholeFile(local.substr(8));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, kJpeg);
  EXPECT_EQ(bodies(state.log.allText()), std::vector<std::string>{" 线程：2  正在下载第:3/7 个宝贝 描述图片 1/1"});
}

TEST_F(PicturesTest, AmpersandAndChineseAddresses) {
  setOptions(false, 1);
  server.setHandler([](const loopback::RecordedRequest&) -> std::optional<loopback::Reply> {
    return loopback::Reply::text(kGif);
  });
  // Without Chinese characters "amp;" is removed for the download only.
  const std::string plain = host() + "/p.gif?a=1&amp;b=2";
  // With one, it is fetched percent-escaped and "amp;" stays.
  const std::string chinese = host() + "/图.gif?a=1&amp;b=2";
  context->item.desc = "<img src=\"http://" + plain + "\"><img src=\"http://" + chinese + "\">";
  localizeDescriptionPictures(*context);
  auto reqs = server.requests();
  std::vector<std::string> targets;
  for (auto& r : reqs) targets.push_back(r.target);
  EXPECT_EQ(targets, (std::vector<std::string>{"/p.gif?a=1&b=2", "/p.gif?a=1&b=2", "/\xCD\xBC.gif?a=1&b=2",
                                               "/%CD%BC.gif?a=1&amp;b=2"}));
  EXPECT_EQ(context->item.desc,
            "<img src=\"" + localAddress(plain, "gif") + "\"><img src=\"" + localAddress(chinese, "gif") + "\">");
}

TEST_F(PicturesTest, FailureModesInBothPasses) {
  server.serve("/empty.jpg", loopback::Reply::text(""));
  const std::string addr = host() + "/empty.jpg";
  const std::string tagDesc = "<IMG src=\"http://" + addr + "\">";
  const std::string bgDesc = "<td background=\"\"http://" + addr + "\"\">";
  struct Case {
    int mode;
    std::string desc, expectedDesc;
    std::vector<std::string> expectedLines;
  } cases[] = {
      {1, tagDesc, tagDesc, {" 线程：2  正在下载第:3/7 个宝贝 描述图片 1/1"}},
      {2, tagDesc, "<IMG src=\"\">",
       {" 线程：2  正在下载第:3/7 个宝贝 描述图片 1/1", " 线程：2  第:3/7 个宝贝 描述图片 字节集为0 已经删除 1/1"}},
      {3, tagDesc, "<IMG src=\"\">",
       {" 线程：2  正在下载第:3/7 个宝贝 描述图片 1/1",
        " 线程：2  第:3/7 个宝贝 描述图片 字节集为0 正在重新下载 1/1"}},
      {3, bgDesc, "<td background=\"\"\"\">",
       {" 线程：2  正在下载第:3/7 个宝贝 描述图片 1/1", " 线程：2  第:3/7 个宝贝 描述图片 字节集为0 正在重新下载 1/1",
        " 线程：2  第:3/7 个宝贝 描述图片 字节集为0 重新下载失败===已经删除图片 1/1"}},
  };
  for (const auto& c : cases) {
    setOptions(false, c.mode);
    state.log.takePending();
    const size_t before = state.log.allText().size();
    context->item.desc = c.desc;
    localizeDescriptionPictures(*context);
    EXPECT_EQ(context->item.desc, c.expectedDesc) << "mode " << c.mode;
    EXPECT_EQ(bodies(state.log.allText().substr(before)), c.expectedLines) << "mode " << c.mode;
  }
  EXPECT_TRUE(filesIn(itemFolder()).empty());
}

TEST_F(PicturesTest, MarketplaceSpaceOnly) {
  setOptions(true, 1);
  server.serve("/taobao/x.png", kPng);
  const std::string other = host() + "/elsewhere/y.png";
  const std::string space = host() + "/taobao/x.png";
  context->item.desc = "<IMG src=\"http://" + other + "\"><IMG src=\"http://" + space + "\">";
  localizeDescriptionPictures(*context);
  EXPECT_EQ(context->item.desc, "<IMG src=\"http://" + other + "\"><IMG src=\"" + localAddress(space, "png") + "\">");
  EXPECT_EQ(bodies(state.log.allText()),
            (std::vector<std::string>{" 线程：2  正在下载第:3/7 个宝贝 描述图片 1/2  非淘宝空间图片 已跳过",
                                      " 线程：2  正在下载第:3/7 个宝贝 描述图片 2/2"}));
  auto bytes = fileio::readWholeFile(localAddress(space, "png").substr(8));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, kPng);
}

TEST_F(PicturesTest, UnrecognisedPictureIsStillWrittenUnderAValidName) {
  setOptions(false, 1);
  server.serve("/odd.jpg", "RIFX-not-a-known-type");
  const std::string addr = host() + "/odd.jpg";
  context->item.desc = "<IMG src=\"http://" + addr + "\">";
  localizeDescriptionPictures(*context);
  const std::string local = localAddress(addr, "jpg");
  EXPECT_EQ(context->item.desc, "<IMG src=\"" + local + "\">");
  auto bytes = fileio::readWholeFile(local.substr(8));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "RIFX-not-a-known-type");
  EXPECT_NE(state.log.allText().find(std::string(kUnknownImageTypePrefix)), std::string::npos);
}

TEST(PictureFolderName, SafeForWindowsAndKeepsTheTitle) {
  struct Case {
    std::string title, expected;
  } cases[] = {
      {"a/b\\c.d", "abcd"},
      {"x:y\"z<>|?*", "xyz"},
      {std::string("t\x01\x1f") + "ab  ", "tab"},
      {"CON", "_CON"},
      {"nul", "_nul"},
      {"con.", "_con"},
      {"CONSOLE", "CONSOLE"},
      {"", "_"},
      // 0x5C and 0x7C as second bytes of double-byte characters stay.
      {"\x81\x5C\x81\x7C", "\x81\x5C\x81\x7C"},
      {"宝贝 名称", "宝贝 名称"},
  };
  for (const auto& c : cases) EXPECT_EQ(picturefiles::safeFolderName(c.title), c.expected) << c.title;
}

TEST(PictureNames, MillisecondCountsNeverRepeat) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) EXPECT_TRUE(seen.insert(picturefiles::uniqueMillisecondText()).second);
}

}  // namespace
