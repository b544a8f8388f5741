#include "util/regex.h"

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "util/regex_text.h"

namespace {

// A VARIANT that clears itself.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

// A BSTR made from GBK text, freed on scope exit.
struct WideArg {
  BSTR s;
  explicit WideArg(const std::string& gbk) : s(regex_text::toBstr(gbk)) {}
  ~WideArg() { SysFreeString(s); }
  WideArg(const WideArg&) = delete;
  WideArg& operator=(const WideArg&) = delete;
};

void addRef(IDispatch* p) {
  if (p) p->AddRef();
}

void release(IDispatch*& p) {
  if (p) p->Release();
  p = nullptr;
}

bool dispId(IDispatch* object, const wchar_t* name, DISPID& id) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
}

// Calls a method or reads a property; `args` are in call order.
bool invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT argCount, VARIANT* result) {
  if (!object) return false;
  DISPID id;
  if (!dispId(object, name, id)) return false;
  // IDispatch takes the arguments last first.
  VARIANT reversed[4];
  for (UINT i = 0; i < argCount; ++i) reversed[i] = args[argCount - 1 - i];
  DISPPARAMS params = {argCount ? reversed : nullptr, nullptr, argCount, 0};
  DISPID named = DISPID_PROPERTYPUT;
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr));
}

bool get(IDispatch* object, const wchar_t* name, Variant& result, VARIANT* args = nullptr, UINT argCount = 0) {
  return invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, argCount, &result.v);
}

bool putBool(IDispatch* object, const wchar_t* name, bool value) {
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BOOL;
  arg.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return invoke(object, name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

bool putText(IDispatch* object, const wchar_t* name, const std::string& value) {
  WideArg w(value);
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = w.s;
  return invoke(object, name, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

// GBK text of a variant; empty for anything that is not text or a number
// (a group that took no part comes back empty).
std::string textOf(Variant& value) {
  if (value.v.vt == VT_EMPTY || value.v.vt == VT_NULL) return {};
  if (value.v.vt != VT_BSTR && FAILED(VariantChangeType(&value.v, &value.v, 0, VT_BSTR))) return {};
  return regex_text::fromBstr(value.v.bstrVal);
}

int32_t intOf(Variant& value) {
  if (FAILED(VariantChangeType(&value.v, &value.v, 0, VT_I4))) return 0;
  return value.v.lVal;
}

// Item `index` (0-based) of a collection, as an object.
IDispatch* itemOf(IDispatch* collection, int32_t index) {
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = index;
  Variant item;
  if (!get(collection, L"Item", item, &arg, 1) || item.v.vt != VT_DISPATCH || !item.v.pdispVal) return nullptr;
  IDispatch* object = item.v.pdispVal;
  object->AddRef();
  return object;
}

IDispatch* subMatchesOf(IDispatch* matches, int32_t index) {
  IDispatch* match = itemOf(matches, index);
  if (!match) return nullptr;
  Variant subs;
  IDispatch* result = nullptr;
  if (get(match, L"SubMatches", subs) && subs.v.vt == VT_DISPATCH && subs.v.pdispVal) {
    result = subs.v.pdispVal;
    result->AddRef();
  }
  match->Release();
  return result;
}

}  // namespace

RegexMatcher::RegexMatcher(const RegexMatcher& other)
    : expression_(other.expression_), matches_(other.matches_), count_(other.count_) {
  addRef(expression_);
  addRef(matches_);
}

RegexMatcher& RegexMatcher::operator=(const RegexMatcher& other) {
  if (this != &other) {
    addRef(other.expression_);
    addRef(other.matches_);
    RegexMatcher::destroy();
    expression_ = other.expression_;
    matches_ = other.matches_;
    count_ = other.count_;
  }
  return *this;
}

RegexMatcher::RegexMatcher(RegexMatcher&& other) noexcept
    : expression_(std::exchange(other.expression_, nullptr)),
      matches_(std::exchange(other.matches_, nullptr)),
      count_(std::exchange(other.count_, 0)) {}

RegexMatcher& RegexMatcher::operator=(RegexMatcher&& other) noexcept {
  if (this != &other) {
    RegexMatcher::destroy();
    expression_ = std::exchange(other.expression_, nullptr);
    matches_ = std::exchange(other.matches_, nullptr);
    count_ = std::exchange(other.count_, 0);
  }
  return *this;
}

RegexMatcher::~RegexMatcher() {
  // Not virtual dispatch: a derived part is already gone here.
  RegexMatcher::destroy();
}

void RegexMatcher::destroy() {
  release(matches_);
  release(expression_);
  count_ = 0;
}

RegexMatcher RegexMatcher::clone() const { return *this; }

bool RegexMatcher::compile(const std::string& pattern, bool ignoreCase, bool multiline, bool global) {
  destroy();
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"VBScript.RegExp", &clsid))) return false;
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object))) ||
      !object)
    return false;
  if (!putBool(object, L"IgnoreCase", ignoreCase) || !putBool(object, L"Multiline", multiline) ||
      !putBool(object, L"Global", global) || !putText(object, L"Pattern", pattern)) {
    object->Release();
    return false;
  }
  expression_ = object;
  return true;
}

std::string RegexMatcher::patternText() const {
  Variant value;
  if (!get(expression_, L"Pattern", value)) return {};
  return textOf(value);
}

std::string RegexMatcher::replaceAll(const std::string& text, const std::string& replacement) const {
  if (!expression_) return {};
  WideArg source(text), with(replacement);
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_BSTR;
  args[0].bstrVal = source.s;
  args[1].vt = VT_BSTR;
  args[1].bstrVal = with.s;
  Variant result;
  if (!invoke(expression_, L"Replace", DISPATCH_METHOD, args, 2, &result.v)) return {};
  return textOf(result);
}

int32_t RegexMatcher::execute(const std::string& text) {
  release(matches_);
  count_ = 0;
  if (!expression_) return 0;
  WideArg source(text);
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = source.s;
  Variant result;
  if (!invoke(expression_, L"Execute", DISPATCH_METHOD, &arg, 1, &result.v) || result.v.vt != VT_DISPATCH ||
      !result.v.pdispVal)
    return 0;
  matches_ = result.v.pdispVal;
  matches_->AddRef();
  Variant count;
  count_ = get(matches_, L"Count", count) ? intOf(count) : 0;
  return count_;
}

int32_t RegexMatcher::matchCount() const { return count_; }

std::string RegexMatcher::matchText(int32_t match) const {
  if (match < 1 || match > count_) return {};
  IDispatch* item = itemOf(matches_, match - 1);
  if (!item) return {};
  Variant value;
  std::string result = get(item, L"Value", value) ? textOf(value) : std::string();
  item->Release();
  return result;
}

std::string RegexMatcher::subMatchText(int32_t match, int32_t group) const {
  if (match < 1 || match > count_ || group < 1) return {};
  IDispatch* subs = subMatchesOf(matches_, match - 1);
  if (!subs) return {};
  std::string result;
  Variant count;
  if (get(subs, L"Count", count) && group <= intOf(count)) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = group - 1;
    Variant value;
    if (get(subs, L"Item", value, &arg, 1)) result = textOf(value);
  }
  subs->Release();
  return result;
}

int32_t RegexMatcher::subMatchCount() const {
  if (count_ == 0) return 0;
  IDispatch* subs = subMatchesOf(matches_, 0);
  if (!subs) return 0;
  Variant count;
  const int32_t n = get(subs, L"Count", count) ? intOf(count) : 0;
  subs->Release();
  return n;
}
