#include "api/signing.h"

#include <utility>

#include "util/digest.h"
#include "util/time_stamps.h"

const std::string_view kItemDetailFields =
    "prop_img.url,prop_img.properties,item_img.url,desc,title,cid,price,num,post_fee,input_str,input_pids,"
    "seller_cids,props,input_pids,input_str,property_alias,sku,outer_id,approve_status,has_discount,"
    "has_invoice,has_warranty,has_showcase,valid_thru,list_time,modified,delist_time,postage_id,location,"
    "freight_payer,post_fee,express_fee,ems_fee,has_warranty ";

namespace {

// std::string compares through char_traits<char>, which is unsigned on every
// platform; spelled out so a GBK byte never counts as negative.
bool nameGreater(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x > y;
  }
  return a.size() > b.size();
}

}  // namespace

void sortParameters(std::vector<ApiParameter>& list) {
  for (size_t i = 0; i < list.size(); ++i)
    for (size_t j = i + 1; j < list.size(); ++j)
      if (nameGreater(list[i].name, list[j].name)) std::swap(list[i], list[j]);
}

std::string signedAddress(std::string_view apiHost, const std::string& appKey, const std::string& appSecret,
                          const std::string& session, const std::string& format, const std::string& signMethod,
                          const std::string& method, std::vector<ApiParameter> parameters) {
  if (appKey.empty() || appSecret.empty()) return {};

  parameters.push_back({"app_key", appKey});
  parameters.push_back({"format", format.empty() ? "xml" : format});
  parameters.push_back({"sign_method", signMethod.empty() ? "md5" : signMethod});
  parameters.push_back({"v", "2.0"});
  parameters.push_back({"method", method});
  parameters.push_back({"session", session});
  parameters.push_back({"timestamp", timestamps::apiTimestamp(timestamps::localNow())});

  sortParameters(parameters);
  std::erase_if(parameters, [](const ApiParameter& p) { return p.name.empty() || p.value.empty(); });

  std::string signingText = appSecret;
  std::string query;
  for (const auto& p : parameters) {
    signingText += p.name;
    signingText += p.value;
    if (!query.empty()) query += '&';
    query += p.name;
    query += '=';
    query += p.value;
  }
  signingText += appSecret;

  // The gateway reads the query as it stands: no percent escapes.
  std::string sign = md5Text(signingText);
  for (char& c : sign)
    if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');

  std::string address = "http://";
  address += apiHost;
  address += "/router/rest?";
  address += query;
  address += "&sign=";
  address += sign;
  return address;
}

std::string itemDetailAddress(std::string_view apiHost, const std::string& numIid, const std::string& appKey,
                              const std::string& appSecret) {
  std::vector<ApiParameter> parameters = {{"fields", std::string(kItemDetailFields)}, {"num_iid", numIid}};
  return signedAddress(apiHost, appKey, appSecret, {}, "xml", "md5", "taobao.item.get", std::move(parameters));
}
