// Reading one item answer the way a generation worker does: load, then every
// field query of the item record and its pictures.
#include <windows.h>

#include <cstdio>
#include <string>

#include "util/text.h"
#include "util/xml_document.h"

namespace {

std::string itemAnswerBody() {
  std::string b = "<item_get_response><item><approve_status>onsale</approve_status><cid>50000671</cid><desc>";
  const std::string paragraph =
      "&lt;p style=&quot;text-align:center;&quot;&gt;&lt;img src=&quot;http://127.0.0.1:8612/d/"
      "T1x2y3z4.jpg?w=750&amp;h=1000&quot; align=&quot;absmiddle&quot;&gt;&lt;/p&gt;"
      "&lt;p&gt;纯棉面料，透气舒适，夏季新款&amp;nbsp;宽松版型，多色可选。&lt;/p&gt;\r\n";
  while (b.size() < 150000) b += paragraph;
  b += "</desc><freight_payer>buyer</freight_payer><has_warranty>true</has_warranty>"
       "<input_pids>20000</input_pids><input_str>自有品牌</input_str><item_imgs>";
  for (int i = 0; i < 6; ++i)
    b += "<item_img><id>" + std::to_string(i) + "</id><position>" + std::to_string(i) +
         "</position><url>http://127.0.0.1:8612/i/main" + std::to_string(i) + ".jpg</url></item_img>";
  b += "</item_imgs><list_time>2013-07-31 08:05:09</list_time>"
       "<location><city>杭州</city><state>浙江</state></location><modified>2013-08-01 10:00:00</modified>"
       "<num>300</num><outer_id>T-100</outer_id><post_fee>10.00</post_fee><express_fee>15.00</express_fee>"
       "<ems_fee>25.00</ems_fee><price>99.00</price><prop_imgs>";
  for (int i = 0; i < 4; ++i)
    b += "<prop_img><id>" + std::to_string(i) + "</id><properties>1627207:2834" + std::to_string(i) +
         "</properties><url>http://127.0.0.1:8612/p/colour" + std::to_string(i) + ".jpg</url></prop_img>";
  b += "</prop_imgs><property_alias>1627207:28341:深黑;1627207:28320:本白</property_alias><props>";
  for (int i = 0; i < 120; ++i) b += "20509:2831" + std::to_string(i) + ";";
  b += "</props><seller_cids>,123,456,</seller_cids><skus>";
  for (int i = 0; i < 30; ++i)
    b += "<sku><created>2013-07-31 08:05:09</created><modified>2013-08-01 10:00:00</modified><outer_id>T-100-" +
         std::to_string(i) + "</outer_id><price>" + std::to_string(99 + i) + ".00</price>"
         "<properties>1627207:2834" + std::to_string(i % 5) + ";20509:2831" + std::to_string(i % 6) +
         "</properties><quantity>" + std::to_string(10 + i) + "</quantity><sku_id>" +
         std::to_string(2000000 + i) + "</sku_id></sku>";
  b += "</skus><title>夏季新款 纯棉T恤 A&amp;B 3.5寸*2|&lt;新&gt;?</title><valid_thru>7</valid_thru><wap_desc>";
  // The rest of a large answer: the mobile description, escaped as well.
  while (b.size() < 204000) b += paragraph;
  b += "</wap_desc></item></item_get_response>";
  return b;
}

// Every query a worker makes for one item; returns a checksum so nothing is optimised away.
size_t workerQueries(const XmlDocument& doc) {
  const std::string item = "item_get_response/item/";
  size_t sum = 0;
  for (const char* f : {"title", "cid", "seller_cids", "location/state", "location/city", "price", "num", "valid_thru",
                        "freight_payer", "ems_fee", "express_fee", "post_fee", "list_time", "props", "modified",
                        "approve_status", "has_warranty", "input_pids", "input_str", "outer_id", "property_alias",
                        "desc"})
    sum += doc.nodeText(item + f).size();
  bool found;
  int32_t skus = doc.childCount(item + "skus", found);
  for (int32_t k = skus; k >= 1; --k) {
    std::string s = item + "skus/@" + std::to_string(k);
    for (const char* f : {"/price", "/quantity", "/outer_id", "/properties"}) sum += doc.nodeText(s + f).size();
  }
  int32_t main = doc.childCount(item + "item_imgs", found);
  for (int32_t i = 1; i <= main; ++i) sum += doc.nodeText(item + "item_imgs/@" + std::to_string(i) + "/url").size();
  int32_t props = doc.childCount(item + "prop_imgs", found);
  for (int32_t i = 1; i <= props; ++i) {
    sum += doc.nodeText(item + "prop_imgs/@" + std::to_string(i) + "/properties").size();
    sum += doc.nodeText(item + "prop_imgs/@" + std::to_string(i) + "/url").size();
  }
  return sum + size_t(skus + main + props);
}

// Processor time of this thread (user and kernel), in seconds: other programs on
// a shared machine do not inflate it the way they inflate wall-clock time.
double threadSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& t) { return (double(t.dwHighDateTime) * 4294967296.0 + double(t.dwLowDateTime)) * 1e-7; };
  return value(kernel) + value(user);
}

double megabytesPerSecond(const std::string& answer, size_t& checksum) {
  XmlDocument doc;  // one per worker, reused for every answer
  for (int i = 0; i < 5; ++i) {
    doc.loadBytes(answer, false, false);
    checksum += workerQueries(doc);
  }
  // Long enough that the clock's coarse steps do not matter.
  const int rounds = 600;
  double start = threadSeconds();
  for (int i = 0; i < rounds; ++i) {
    doc.loadBytes(answer, false, false);
    checksum += workerQueries(doc);
  }
  return double(answer.size()) * rounds / (threadSeconds() - start) / 1e6;
}

}  // namespace

int main() {
  const std::string body = itemAnswerBody();
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>" + text::gbkToUtf8(body);
  const std::string gbk = "<?xml version=\"1.0\" encoding=\"gb2312\"?>" + body;
  size_t checksum = 0;
  double utf8Rate = megabytesPerSecond(utf8, checksum);
  double gbkRate = megabytesPerSecond(gbk, checksum);
  std::printf("answer %zu bytes (utf-8), %zu bytes (gb2312), checksum %zu\n", utf8.size(), gbk.size(), checksum);
  std::printf("BENCH xml_load_mb_s %.1f MB/s\n", utf8Rate);
  std::printf("BENCH xml_load_gb2312_mb_s %.1f MB/s\n", gbkRate);
  return 0;
}
