// GCC 12 warns falsely (-Wrestrict) on assigning short literals to strings at -O2.
#pragma GCC diagnostic ignored "-Wrestrict"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "generation/data_package.h"
#include "generation/expected_headers.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

ItemRecord sampleItem() {
  ItemRecord r;
  r.itemId = "1001";
  r.title = "标题,一";
  r.cid = "50012";
  r.seller_cids = ",5,";
  r.state = "浙江";
  r.city = "杭州";
  r.price = "12";
  r.num = "3";
  r.valid_thru = "7";
  r.freight_payer = "2";
  r.ems_fee = "20.00";
  r.express_fee = "10.00";
  r.post_fee = "5.00";
  r.list_time = "2013-07-01 09:00:00";
  r.props = "1:2;";
  r.modified = "2013-07-02 10:00:00";
  r.approve_status = "200";
  r.has_warranty = "1";
  r.skuColumn = "10:1:o:1:2;;";
  r.input_pids = "13";
  r.input_str = "值";
  r.outer_id = "OID";
  r.property_alias = "1:2:红;";
  r.desc = "<p>x\"\"y</p>";
  r.pictureColumn = "aaaa:0:0:|;";
  return r;
}

const std::string kRow4 =
    "\"标题,一\",50012,\",5,\",0,\"浙江\",\"杭州\",\"1\",12,0,3,7,2,5.00,20.00,10.00,,,0,1,1,0,1,"
    "\"2013-07-01 09:00:00\",,\"<p>x\"\"y</p>\",,\"1:2;\",,,0,0,\"2013-07-02 10:00:00\",200,,0,\"aaaa:0:0:|;\",\"\","
    "\"10:1:o:1:2;;\",\"13\",\"值\",\"OID\",\"1:2:红;;\",0,\"1001\",1001,\"http://detail.example/item.htm?id=1001&\"\r\n";
const std::string kRow5 =
    "\"标题,一\",50012,\",5,\",1,\"浙江\",\"杭州\",1,12,0,3,7,2,5.00,20.00,10.00,0,1,1,0,\"2013-07-01 09:00:00\","
    "\"<p>x\"\"y</p>\",\"1:2;\",0,0,\"2013-07-02 10:00:00\",200,,0,\"aaaa:0:0:|;\",\"\",\"10:1:o:1:2;;\",\"13\",\"值\","
    "\"OID\",\"1:2:红;\",0,1001,0,2,,1,0,0,\r\n";

TEST(PackageRow, FollowsTheLayoutTables) {
  const ItemRecord r = sampleItem();
  EXPECT_EQ(packageRow(r, 4, "detail.example"), kRow4);
  EXPECT_EQ(packageRow(r, 5, "detail.example"), kRow5);
  EXPECT_EQ(packageRow(r, 0, "detail.example"), kRow5);  // anything but 4 is the 5.x layout
}

TEST(PackageRow, AnItemsOwnQuotesMarkersAndCommasStayInsideTheirField) {
  ItemRecord r;
  r.itemId = "9";
  r.title = "a\"b|*|c";     // a raw quote and the old marker text
  r.cid = "1,2";            // a bare column holding a comma
  r.price = "3\"";          // and one holding a quote
  r.desc = "q\"\"\"r\"s";   // a run of three and a single quote
  const std::string row = packageRow(r, 5, "");
  EXPECT_EQ(row,
            "\"a\"\"b|*|c\",\"1,2\",\"\",1,\"\",\"\",1,\"3\"\"\",0,,,,,,,0,,1,0,\"\",\"q\"\"\"\"r\"\"s\",\"\",0,0,\"\",,,0,"
            "\"\",\"\",\"\",\"\",\"\",\"\",\"\",0,9,0,2,,1,0,0,\r\n");
}

class WritePackage : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fileio::runDirectory() + "\\package_test_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fileio::createFolder(folder);
    path = folder + "\\数据包.2013.csv";
    state.endpoints.mallItemPageHost = "detail.example";
  }
  void TearDown() override {
    fileio::deleteFile(path);
    RemoveDirectoryW(text::toWide(folder).c_str());
  }
  std::string written() { return fileio::readWholeFile(path).value_or("<missing>"); }

  AppState state;
  std::string folder, path;
};

TEST_F(WritePackage, HeaderFollowsTheRadioButtonAndRowsTheStoredLayout) {
  struct Case {
    int32_t stored;
    bool radio4;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {4, true, kHeader4 + kRow4},
      {5, false, kHeader5 + kRow5},
      {5, true, kHeader4 + kRow5},  // the radio button changed without saving
      {4, false, kHeader5 + kRow4},
  };
  for (const auto& c : cases) {
    state.packageRows.clear();
    state.succeededItems = 0;
    state.packageLayoutVersion = c.stored;
    appendRow(state, sampleItem());
    EXPECT_EQ(state.succeededItems.load(), 1);
    ASSERT_TRUE(writePackage(state, path, c.radio4));
    EXPECT_EQ(written(), c.expected) << c.stored << c.radio4;
  }
}

TEST_F(WritePackage, ARunWithoutRowsWritesTheHeaderOnlyAndAMissingFolderFails) {
  ASSERT_TRUE(writePackage(state, path, false));
  EXPECT_EQ(written(), kHeader5);
  EXPECT_FALSE(writePackage(state, folder + "\\no such folder\\x.csv", true));
}

TEST_F(WritePackage, RowsOfConcurrentWorkersStayWholeAndCounted) {
  state.packageLayoutVersion = 4;
  std::vector<std::thread> workers;
  for (int w = 0; w < 5; ++w)
    workers.emplace_back([this] {
      for (int i = 0; i < 200; ++i) appendRow(state, sampleItem());
    });
  for (auto& t : workers) t.join();
  EXPECT_EQ(state.succeededItems.load(), 1000);
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += kRow4;
  EXPECT_EQ(state.packageRows, expected);
}

}  // namespace
