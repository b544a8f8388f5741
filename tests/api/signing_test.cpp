#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "api/signing.h"
#include "util/time_stamps.h"

namespace {

using timestamps::ClockSnapshot;

ClockSnapshot at(int y, int mo, int d, int h, int mi, int s) {
  ClockSnapshot c;
  c.year = uint16_t(y), c.month = uint16_t(mo), c.day = uint16_t(d);
  c.hour = uint16_t(h), c.minute = uint16_t(mi), c.second = uint16_t(s);
  return c;
}

class Signing : public ::testing::Test {
 protected:
  Signing() {
    timestamps::setClockSource([this] {
      ++clockReadings;
      return at(2014, 1, 3, 8, 5, 9);
    });
  }
  ~Signing() override { timestamps::setClockSource(nullptr); }
  std::atomic<int> clockReadings{0};
};

const std::string kFields =
    "prop_img.url,prop_img.properties,item_img.url,desc,title,cid,price,num,post_fee,input_str,input_pids,"
    "seller_cids,props,input_pids,input_str,property_alias,sku,outer_id,approve_status,has_discount,"
    "has_invoice,has_warranty,has_showcase,valid_thru,list_time,modified,delist_time,postage_id,location,"
    "freight_payer,post_fee,express_fee,ems_fee,has_warranty ";

// Expected signatures were computed with Python's hashlib over
// secret + name1 value1 name2 value2 ... + secret, e.g. for the first test:
//   md5("s3cr3t" "app_key12345678" "fields<the list>" "formatxml" "methodtaobao.item.get"
//       "num_iid36987425801" "sign_methodmd5" "timestamp2014-01-03 08:05:09" "v2.0" "s3cr3t")
TEST_F(Signing, ItemDetailAddressKnownAnswer) {
  ASSERT_EQ(kFields.size(), 352u);
  EXPECT_EQ(kItemDetailFields, kFields);
  const std::string expected =
      "http://127.0.0.1:8611/router/rest?app_key=12345678&fields=" + kFields +
      "&format=xml&method=taobao.item.get&num_iid=36987425801&sign_method=md5"
      "&timestamp=2014-01-03 08:05:09&v=2.0&sign=5FB9EB2B00FB2F5DFCE15A433826951F";
  EXPECT_EQ(itemDetailAddress("127.0.0.1:8611", "36987425801", "12345678", "s3cr3t"), expected);
  EXPECT_EQ(clockReadings, 1) << "one clock reading per address";
}

TEST_F(Signing, FieldListKeepsItsTrailingSpaceBeforeFormat) {
  const std::string address = itemDetailAddress("gw.example", "1", "k", "s");
  EXPECT_NE(address.find("ems_fee,has_warranty &format=xml&"), std::string::npos) << address;
  EXPECT_EQ(address.find("%"), std::string::npos) << "nothing is percent-encoded";
  EXPECT_EQ(address.find("session"), std::string::npos);
}

TEST_F(Signing, EmptyItemNumberIsDroppedButStillSigned) {
  const std::string expected =
      "http://gw/router/rest?app_key=12345678&fields=" + kFields +
      "&format=xml&method=taobao.item.get&sign_method=md5"
      "&timestamp=2014-01-03 08:05:09&v=2.0&sign=4423FC8BD538D30F8244A92C5B765FC7";
  EXPECT_EQ(itemDetailAddress("gw", "", "12345678", "s3cr3t"), expected);
}

TEST_F(Signing, EmptyKeyOrSecretGivesNoAddress) {
  EXPECT_EQ(itemDetailAddress("gw", "1", "", "s"), "");
  EXPECT_EQ(itemDetailAddress("gw", "1", "k", ""), "");
  EXPECT_EQ(signedAddress("gw", "", "", "", "", "", "m", {}), "");
  EXPECT_EQ(clockReadings, 0);
}

// Caller parameters with an empty value, a GBK value, a session and a format
// of the caller's choice. Digest input:
//   "sec" "app_keyk1" "formatjson" "methodtaobao.items.search" "page_no2" "q" + GBK(连衣裙)
//   "sessionsess9" "sign_methodmd5" "timestamp2014-01-03 08:05:09" "v2.0" "sec"
TEST_F(Signing, GeneralBuilderSortsDropsEmptiesAndSignsLast) {
  std::vector<ApiParameter> parameters = {{"q", "连衣裙"}, {"empty", ""}, {"page_no", "2"}};
  const std::string address =
      signedAddress("gw", "k1", "sec", "sess9", "json", "md5", "taobao.items.search", parameters);
  EXPECT_EQ(address,
            "http://gw/router/rest?app_key=k1&format=json&method=taobao.items.search&page_no=2&q=连衣裙"
            "&session=sess9&sign_method=md5&timestamp=2014-01-03 08:05:09&v=2.0"
            "&sign=2CD19EAB7805DF9271074F3DCE295FB5");
}

TEST_F(Signing, EmptyFormatAndSignMethodTakeTheDefaults) {
  const std::string a = signedAddress("gw", "k", "s", "", "", "", "m", {{"x", "1"}});
  const std::string b = signedAddress("gw", "k", "s", "", "xml", "md5", "m", {{"x", "1"}});
  EXPECT_EQ(a, b);
  EXPECT_NE(a.find("&format=xml&method=m&sign_method=md5&"), std::string::npos) << a;
  const std::string sign = a.substr(a.rfind("&sign=") + 6);
  ASSERT_EQ(sign.size(), 32u);
  EXPECT_EQ(sign.find_first_not_of("0123456789ABCDEF"), std::string::npos) << sign;
}

std::vector<std::string> sorted(std::vector<ApiParameter> list) {
  sortParameters(list);
  std::vector<std::string> out;
  for (const auto& p : list) out.push_back(p.name + "=" + p.value);
  return out;
}

TEST(SortParameters, ExchangeSortOnUnsignedBytes) {
  using V = std::vector<std::string>;
  // GBK names sort after every ASCII name; a prefix sorts first.
  EXPECT_EQ(sorted({{"名称", "1"}, {"b", "2"}, {"ab", "3"}, {"a", "4"}, {"A", "5"}, {"", "6"}}),
            (V{"=6", "A=5", "a=4", "ab=3", "b=2", "名称=1"}));
  EXPECT_EQ(sorted({{"v", ""}, {"timestamp", ""}, {"sign_method", ""}, {"num_iid", ""}, {"method", ""},
                    {"format", ""}, {"fields", ""}, {"app_key", ""}, {"session", ""}}),
            (V{"app_key=", "fields=", "format=", "method=", "num_iid=", "session=", "sign_method=", "timestamp=",
               "v="}));
  // Not stable: swapping the first and the third moves b=1 behind b=2.
  EXPECT_EQ(sorted({{"b", "1"}, {"b", "2"}, {"a", "0"}}), (V{"a=0", "b=2", "b=1"}));
  EXPECT_EQ(sorted({}), V{});
}

}  // namespace
