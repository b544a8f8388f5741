#include "generation/item_mapping.h"

#include "app/app_state.h"
#include "generation/worker_context.h"
#include "util/text.h"
#include "util/time_stamps.h"
#include "util/xml_document.h"

namespace {

const std::string kItem = "item_get_response/item/";

std::string itemText(const XmlDocument& doc, const std::string& path) { return doc.nodeText(kItem + path); }

std::string progress(const WorkerContext& c) {
  return text::decimal(c.lastItemNumber) + "/" + text::decimal(c.runTotal);
}

std::string skuCombinations(WorkerContext& c) {
  const XmlDocument& doc = *c.document;
  bool found = false;
  const int32_t n = doc.childCount(kItem + "skus", found);
  std::string column;
  for (int32_t i = 1; i <= n; ++i) {
    const std::string s = kItem + "skus/@" + text::decimal(n + 1 - i);
    std::string price = doc.nodeText(s + "/price");
    const LiveOptions priceOptions = c.state.options.get();
    if (priceOptions.adjustPrice) price = adjustedPrice(price, priceOptions.pricePercent);
    std::string quantity = doc.nodeText(s + "/quantity");
    const LiveOptions stockOptions = c.state.options.get();
    if (stockOptions.uniformStock) quantity = stockOptions.stockValue;
    const std::string outerId = doc.nodeText(s + "/outer_id");
    const std::string properties = doc.nodeText(s + "/properties");
    column = text::trimSpaces(price + ":" + quantity + ":" + outerId + ":" + properties + ";" + column);
  }
  return column + ";";
}

}  // namespace

std::string cleanTitle(std::string_view title) {
  std::string t = text::replaceAll(title, "&amp;", " ");
  t = text::replaceAll(t, "amp;", "");
  t = text::replaceAll(t, "&apos;", "'");
  for (const char* c : {"*", "|", "<", ">", ".", "?"}) t = text::replaceAll(t, c, " ");
  return t;
}

std::string cleanDescription(std::string_view desc) {
  // A quote that arrives as itself (a description sent as CDATA) is doubled
  // like the "&quot;" ones, so every quote in the field is escaped and reads
  // back as one.
  std::string d = text::replaceAll(desc, "\"", "\"\"");
  d = text::replaceAll(d, "&quot;", "\"\"");
  d = text::replaceAll(d, ",", "，");
  d = text::replaceAll(d, "&lt;", "<");
  d = text::replaceAll(d, "&gt;", ">");
  d = text::replaceAll(d, "&amp;nbsp;", " ");
  return text::replaceAll(d, "\r\n", "");
}

std::string freightCode(std::string_view answer, bool layout4) {
  if (answer == "seller") return layout4 ? "2" : "1";
  if (answer == "buyer") return layout4 ? "1" : "2";
  if (answer.empty()) return "0";
  return std::string(answer);
}

std::string statusCode(std::string_view answer) {
  if (answer.empty()) return "100";
  if (answer == "onsale") return "200";
  return std::string(answer);
}

std::string warrantyCode(std::string_view answer) { return answer == "true" ? "1" : "0"; }

std::string closeProperties(std::string_view props) {
  std::string p(props);
  if (text::findLast(p, ";") != 1) p += ";";
  return p;
}

std::string adjustedPrice(std::string_view value, std::string_view percent) {
  return text::formatG13(text::leadingNumber(value) * text::leadingNumber(percent) / 100);
}

void mapItem(WorkerContext& c) {
  const XmlDocument& doc = *c.document;
  ItemRecord& r = c.item;
  r.title = cleanTitle(itemText(doc, "title"));
  r.cid = itemText(doc, "cid");
  r.seller_cids = itemText(doc, "seller_cids");
  r.state = itemText(doc, "location/state");
  r.city = itemText(doc, "location/city");
  r.price = itemText(doc, "price");
  {
    // Applied once per item, skus or not.
    const LiveOptions o = c.state.options.get();
    if (o.adjustPrice) r.price = adjustedPrice(r.price, o.pricePercent);
  }
  r.num = itemText(doc, "num");
  r.valid_thru = itemText(doc, "valid_thru");
  r.freight_payer = freightCode(itemText(doc, "freight_payer"), c.state.options.get().layout4Radio);
  r.ems_fee = itemText(doc, "ems_fee");
  r.express_fee = itemText(doc, "express_fee");
  r.post_fee = itemText(doc, "post_fee");
  r.list_time = itemText(doc, "list_time");
  r.props = closeProperties(itemText(doc, "props"));
  r.modified = itemText(doc, "modified");
  r.approve_status = statusCode(itemText(doc, "approve_status"));
  r.has_warranty = warrantyCode(itemText(doc, "has_warranty"));
  r.skuColumn = skuCombinations(c);
  r.input_pids = itemText(doc, "input_pids");
  r.input_str = itemText(doc, "input_str");
  r.outer_id = itemText(doc, "outer_id");
  r.property_alias = itemText(doc, "property_alias") + ";";
  const std::string w = text::decimal(c.workerNumber);
  if (!c.log(timestamps::logTime() + "线程：" + w + "  获取成功 第：" + progress(c) + " 个宝贝   基本信息！\r\n")) return;
  if (!c.log(timestamps::logTime() + "线程：" + w + "  开始获取 第：" + progress(c) + "  个宝贝   描述信息！\r\n")) return;
  r.desc = cleanDescription(itemText(doc, "desc"));
  c.log(timestamps::logTime() + "线程：" + w + "  成功获取 第：" + progress(c) + "  个宝贝   描述信息！\r\n");
}
