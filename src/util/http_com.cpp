// requestViaComObject: one request through the system's scriptable HTTP
// request classes, driven late-bound through IDispatch so the same calls serve
// every class (their method names differ only in letter case).
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "util/http.h"
#include "util/http_internal.h"
#include "util/text.h"
#include "util/ui_services.h"

namespace http_detail {
namespace {

std::mutex gClassesLock;
std::vector<std::wstring> gClasses;

const std::vector<std::wstring>& defaultClasses() {
  static const std::vector<std::wstring> classes = {L"WinHttp.WinHttpRequest.5.1", L"MSXML2.ServerXMLHTTP.6.0",
                                                    L"MSXML2.ServerXMLHTTP.5.0"};
  return classes;
}

}  // namespace

void setComRequestClasses(std::vector<std::wstring> progIds) {
  std::lock_guard<std::mutex> hold(gClassesLock);
  gClasses = std::move(progIds);
}

std::vector<std::wstring> comRequestClasses() {
  std::lock_guard<std::mutex> hold(gClassesLock);
  return gClasses.empty() ? defaultClasses() : gClasses;
}

}  // namespace http_detail

namespace {

// Balances its own CoInitialize only. A thread already in the other apartment
// kind keeps it; COM is usable there all the same.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

class Dispatch {
 public:
  Dispatch() = default;
  ~Dispatch() {
    if (p_) p_->Release();
  }
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;
  IDispatch** out() { return &p_; }
  IDispatch* get() const { return p_; }

 private:
  IDispatch* p_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  static void text(Variant& out, const std::string& gbk) {
    std::wstring w = text::toWide(gbk);
    out.v.vt = VT_BSTR;
    out.v.bstrVal = SysAllocStringLen(w.data(), UINT(w.size()));
  }
  static void number(Variant& out, long n) {
    out.v.vt = VT_I4;
    out.v.lVal = n;
  }
  static void flag(Variant& out, bool b) {
    out.v.vt = VT_BOOL;
    out.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // Bytes go out as they are; a string body would be re-encoded by the class.
  static void bytes(Variant& out, const std::string& data) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, ULONG(data.size()));
    if (!array) return;
    void* p = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &p))) {
      std::memcpy(p, data.data(), data.size());
      SafeArrayUnaccessData(array);
    }
    out.v.vt = VT_ARRAY | VT_UI1;
    out.v.parray = array;
  }

  VARIANT v;
};

// Calls `name` with the arguments in their natural order.
HRESULT invoke(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT*> args, VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(**it);
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = UINT(reversed.size());
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, nullptr, nullptr);
}

bool createFirstClass(Dispatch& object) {
  for (const std::wstring& progId : http_detail::comRequestClasses()) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) continue;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(object.out()))) &&
        object.get())
      return true;
  }
  return false;
}

std::string bytesOf(const VARIANT& v) {
  if (v.vt != (VT_ARRAY | VT_UI1) || !v.parray) return {};
  LONG low = 0, high = -1;
  if (FAILED(SafeArrayGetLBound(v.parray, 1, &low)) || FAILED(SafeArrayGetUBound(v.parray, 1, &high)) || high < low)
    return {};
  void* p = nullptr;
  if (FAILED(SafeArrayAccessData(v.parray, &p))) return {};
  std::string out(static_cast<const char*>(p), size_t(high - low + 1));
  SafeArrayUnaccessData(v.parray);
  return out;
}

void setHeader(IDispatch* object, const char* name, const std::string& value) {
  Variant n, v;
  Variant::text(n, name);
  Variant::text(v, value);
  invoke(object, L"setRequestHeader", DISPATCH_METHOD, {&n.v, &v.v}, nullptr);
}

}  // namespace

std::string requestViaComObject(const std::string& address, const ComRequestOptions& options, UiServices* ui) {
  ComApartment apartment;
  Dispatch object;
  if (!createFirstClass(object)) {
    WinUiServices system;
    (ui ? *ui : static_cast<UiServices&>(system)).messageBox(nullptr, "系统不支持本操作", "提示", MB_OK | MB_ICONWARNING);
    return {};
  }
  IDispatch* request = object.get();

  const std::string method = options.method.empty() ? "GET" : options.method;
  if (!options.proxy.empty()) {
    Variant setting, server;
    Variant::number(setting, 2);
    Variant::text(server, options.proxy);
    invoke(request, L"setProxy", DISPATCH_METHOD, {&setting.v, &server.v}, nullptr);
    if (!options.proxyUser.empty()) {
      Variant user, password;
      Variant::text(user, options.proxyUser);
      Variant::text(password, options.proxyPassword);
      // The XML classes name it setProxyCredentials; the WinHTTP class takes
      // proxy credentials through SetCredentials with its "for proxy" flag.
      if (invoke(request, L"setProxyCredentials", DISPATCH_METHOD, {&user.v, &password.v}, nullptr) ==
          DISP_E_UNKNOWNNAME) {
        Variant forProxy;
        Variant::number(forProxy, 1);
        invoke(request, L"SetCredentials", DISPATCH_METHOD, {&user.v, &password.v, &forProxy.v}, nullptr);
      }
    }
  }
  const std::string referrer = options.referrer.empty() ? address : options.referrer;

  {
    Variant verb, url, async;
    Variant::text(verb, method);
    Variant::text(url, address);
    Variant::flag(async, false);
    if (FAILED(invoke(request, L"open", DISPATCH_METHOD, {&verb.v, &url.v, &async.v}, nullptr))) return {};
  }
  setHeader(request, "Referer", referrer);
  setHeader(request, "Accept", http_detail::kBrowserAccept);
  setHeader(request, "Accept-Language", "zh-cn");
  setHeader(request, "Content-Type", "application/x-www-form-urlencoded");
  if (!options.cookies.empty()) setHeader(request, "Cookie", options.cookies);

  {
    Variant t[4];
    const long ms = http_detail::comTimeoutMilliseconds(options.timeoutSeconds);
    for (Variant& one : t) Variant::number(one, ms);
    invoke(request, L"setTimeouts", DISPATCH_METHOD, {&t[0].v, &t[1].v, &t[2].v, &t[3].v}, nullptr);
  }
  {
    Variant body;
    if (!options.body.empty()) Variant::bytes(body, options.body);
    if (FAILED(invoke(request, L"send", DISPATCH_METHOD, {&body.v}, nullptr))) return {};
  }

  std::string result;
  {
    Variant body;
    if (SUCCEEDED(invoke(request, L"responseBody", DISPATCH_PROPERTYGET, {}, &body.v))) result = bytesOf(body.v);
  }
  if (options.cookieJar) {
    Variant headers;
    if (SUCCEEDED(invoke(request, L"getAllResponseHeaders", DISPATCH_METHOD, {}, &headers.v)) &&
        headers.v.vt == VT_BSTR && headers.v.bstrVal) {
      std::string text = text::fromWide(std::wstring_view(headers.v.bstrVal, SysStringLen(headers.v.bstrVal)));
      *options.cookieJar = http_detail::mergeResponseCookies(*options.cookieJar, text, "Set-Cookie");
    }
  }
  return result;
}
