#include "generation/data_package.h"

#include <windows.h>

#include "app/app_state.h"
#include "util/text.h"

const std::string_view kPackageHeader4 =
    "宝贝名称,宝贝类目,店铺类目,新旧程度,省,城市,出售方式,宝贝价格,加价幅度,宝贝数量,有效期,运费承担,平邮,EMS,"
    "快递,付款方式,支付宝,发票,保修,自动重发,放入仓库,橱窗推荐,开始时间,心情故事,宝贝描述,宝贝图片,宝贝属性,团购价,"
    "最小团购件数,邮费模版ID,会员打折,修改时间,上传状态,图片状态,返点比例,新图片,视频,销售属性组合,用户输入ID串,"
    "用户输入名-值对,商家编码,销售属性别名,代充类型,宝贝编号,数字ID,宝贝链接 \r\n";

const std::string_view kPackageHeader5 =
    "version 1.00,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n"
    "title,cid,seller_cids,stuff_status,location_state,location_city,item_type,price,auction_increment,num,"
    "valid_thru,freight_payer,post_fee,ems_fee,express_fee,has_invoice,has_warranty,approve_status,has_showcase,"
    "list_time,description,cateProps,postage_id,has_discount,modified,upload_fail_msg,picture_status,auction_point,"
    "picture,video,skuProps,inputPids,inputValues,outer_id,propAlias,auto_fill,num_id,local_cid,navigation_type,"
    "user_name,syncStatus,is_lighting_consigment,is_xinpin,foodparame\r\n"
    "宝贝名称,宝贝类目,店铺类目,新旧程度,省,城市,出售方式,宝贝价格,加价幅度,宝贝数量,有效期,运费承担,平邮,EMS,"
    "快递,发票,保修,放入仓库,橱窗推荐,开始时间,宝贝描述,宝贝属性,邮费模版ID,会员打折,修改时间,上传状态,图片状态,"
    "返点比例,新图片,视频,销售属性组合,用户输入ID串,用户输入名-值对,商家编码,销售属性别名,代充类型,数字ID,本地ID,"
    "宝贝分类,账户名称,宝贝状态,闪电发货,新品,食品专项\r\n";

namespace {

// GBK trail bytes never take the values of '"', ',', CR or LF, so a byte scan
// is exact for these.
bool needsQuotes(std::string_view v) { return v.find_first_of("\",\r\n") != std::string_view::npos; }

class RowBuilder {
 public:
  explicit RowBuilder(size_t expected) { row_.reserve(expected); }

  // A field enclosed in quotes, every inner quote doubled.
  RowBuilder& quoted(std::string_view v) {
    separate();
    row_ += '"';
    for (char c : v) {
      if (c == '"') row_ += '"';
      row_ += c;
    }
    row_ += '"';
    return *this;
  }
  // The description already holds its quotes doubled; a stray single quote left
  // by a later rewrite is doubled as well so the field cannot end early.
  RowBuilder& quotedEscaped(std::string_view v) {
    separate();
    row_ += '"';
    size_t i = 0;
    while (i < v.size()) {
      if (v[i] != '"') {
        row_ += v[i++];
        continue;
      }
      size_t run = 0;
      while (i < v.size() && v[i] == '"') ++run, ++i;
      row_.append(run + (run % 2), '"');
    }
    row_ += '"';
    return *this;
  }
  // A bare field; an item text that would split the row is quoted instead.
  RowBuilder& bare(std::string_view v) {
    if (needsQuotes(v)) return quoted(v);
    separate();
    row_ += v;
    return *this;
  }
  std::string finish() {
    row_ += "\r\n";
    return std::move(row_);
  }

 private:
  void separate() {
    if (started_) row_ += ',';
    started_ = true;
  }
  std::string row_;
  bool started_ = false;
};

size_t expectedSize(const ItemRecord& r) {
  return r.title.size() + r.desc.size() + r.pictureColumn.size() + r.skuColumn.size() + r.props.size() +
         r.input_str.size() + r.property_alias.size() + 512;
}

std::string row4(const ItemRecord& r, std::string_view mallHost) {
  RowBuilder b(expectedSize(r) + mallHost.size());
  b.quoted(r.title).bare(r.cid).quoted(r.seller_cids).bare("0").quoted(r.state).quoted(r.city).quoted("1");
  b.bare(r.price).bare("0").bare(r.num).bare(r.valid_thru).bare(r.freight_payer);
  b.bare(r.post_fee).bare(r.ems_fee).bare(r.express_fee).bare("").bare("").bare("0").bare(r.has_warranty);
  b.bare("1").bare("0").bare("1").quoted(r.list_time).bare("").quotedEscaped(r.desc).bare("").quoted(r.props);
  b.bare("").bare("").bare("0").bare("0").quoted(r.modified).bare(r.approve_status).bare("").bare("0");
  b.quoted(r.pictureColumn).quoted("").quoted(r.skuColumn).quoted(r.input_pids).quoted(r.input_str);
  b.quoted(r.outer_id).quoted(r.property_alias + ";").bare("0").quoted(r.itemId).bare(r.itemId);
  b.quoted("http://" + std::string(mallHost) + "/item.htm?id=" + r.itemId + "&");
  return b.finish();
}

std::string row5(const ItemRecord& r) {
  RowBuilder b(expectedSize(r));
  b.quoted(r.title).bare(r.cid).quoted(r.seller_cids).bare("1").quoted(r.state).quoted(r.city).bare("1");
  b.bare(r.price).bare("0").bare(r.num).bare(r.valid_thru).bare(r.freight_payer);
  b.bare(r.post_fee).bare(r.ems_fee).bare(r.express_fee).bare("0").bare(r.has_warranty).bare("1").bare("0");
  b.quoted(r.list_time).quotedEscaped(r.desc).quoted(r.props).bare("0").bare("0").quoted(r.modified);
  b.bare(r.approve_status).bare("").bare("0").quoted(r.pictureColumn).quoted("").quoted(r.skuColumn);
  b.quoted(r.input_pids).quoted(r.input_str).quoted(r.outer_id).quoted(r.property_alias).bare("0");
  b.bare(r.itemId).bare("0").bare("2").bare("").bare("1").bare("0").bare("0").bare("");
  return b.finish();
}

// Header and rows go out one after the other, so the rows are never copied.
bool writeParts(const std::string& path, std::string_view first, std::string_view second) {
  HANDLE file = CreateFileW(text::toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (std::string_view part : {first, second}) {
    while (ok && !part.empty()) {
      const DWORD chunk = DWORD(part.size() < (1u << 24) ? part.size() : (1u << 24));
      DWORD written = 0;
      ok = WriteFile(file, part.data(), chunk, &written, nullptr) && written == chunk;
      part.remove_prefix(chunk);
    }
  }
  return CloseHandle(file) && ok;
}

}  // namespace

std::string packageRow(const ItemRecord& item, int32_t layoutVersion, std::string_view mallItemPageHost) {
  return layoutVersion == 4 ? row4(item, mallItemPageHost) : row5(item);
}

void appendRow(AppState& state, const ItemRecord& item) {
  const std::string row = packageRow(item, state.packageLayoutVersion.load(), state.endpoints.mallItemPageHost);
  std::lock_guard<std::mutex> lock(state.packageMutex);
  state.packageRows += row;
  ++state.succeededItems;
}

bool writePackage(AppState& state, const std::string& path, bool layout4Radio) {
  std::lock_guard<std::mutex> lock(state.packageMutex);
  return writeParts(path, layout4Radio ? kPackageHeader4 : kPackageHeader5, state.packageRows);
}
