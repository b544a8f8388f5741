// Signed open-API request addresses. Nothing is sent here; the result is the
// address text that the worker fetches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ApiParameter {
  std::string name;
  std::string value;
};

// The "fields" value of an item-detail request, 352 bytes. The repeated names
// and the final space are sent and signed as they stand.
extern const std::string_view kItemDetailFields;

// Exchange sort by name, bytes compared as unsigned values (a prefix sorts
// first). Not stable.
void sortParameters(std::vector<ApiParameter>& list);

// The signed address "http://" + apiHost + "/router/rest?..." for `method` with
// the caller's parameters; empty when appKey or appSecret is empty. An empty
// format or signMethod counts as "xml" / "md5"; the signature is always MD5.
// The timestamp comes from one reading of timestamps::localNow().
std::string signedAddress(std::string_view apiHost, const std::string& appKey, const std::string& appSecret,
                          const std::string& session, const std::string& format, const std::string& signMethod,
                          const std::string& method, std::vector<ApiParameter> parameters);

// The signed "taobao.item.get" address for one item number and credential.
std::string itemDetailAddress(std::string_view apiHost, const std::string& numIid, const std::string& appKey,
                              const std::string& appSecret);
