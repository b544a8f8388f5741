#include "api/credentials.h"

#include "app/app_state.h"
#include "util/http.h"
#include "util/text.h"
#include "util/xml_document.h"

bool loadCredentials(AppState& state) {
  // The base ends with "/", so the address carries "//app3.xml"; the service
  // is asked exactly that way.
  const std::string answer = requestViaComObject(state.serviceBaseAddress + "/app3.xml", {}, state.ui);

  CredentialList list;
  XmlDocument document;
  if (!answer.empty() && document.loadBytes(answer)) {
    const int32_t children = document.childCount("@1");
    for (int32_t i = 1; i <= children; ++i) {
      const std::string child = "@1/@" + text::decimal(i);
      ApiCredential pair;
      const bool hasKey = document.attributeValue(child, "appkey", pair.appKey);
      const bool hasSecret = document.attributeValue(child, "appsecret", pair.appSecret);
      // An element with neither attribute holds no pair: a well-formed error
      // page must not pass for a list of empty credentials. Empty values do count.
      if (hasKey || hasSecret) list.push_back(std::move(pair));
    }
  }
  state.credentials = std::move(list);
  return !state.credentials.empty();
}
