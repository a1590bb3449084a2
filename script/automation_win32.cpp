#include "script/automation_win32.h"

#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "http/code_page.h"

namespace quarvel {
namespace {

DISPID MemberId(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
    return DISPID_UNKNOWN;
  }
  return id;
}

}  // namespace

Dispatch& Dispatch::operator=(Dispatch&& other) noexcept {
  if (this != &other) {
    Reset();
    object_ = std::exchange(other.object_, nullptr);
  }
  return *this;
}

Dispatch Dispatch::Create(const wchar_t* progId) {
  CLSID classId;
  if (FAILED(CLSIDFromProgID(progId, &classId))) return Dispatch();
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&object)))) {
    return Dispatch();
  }
  return Dispatch(object);
}

void Dispatch::Reset() {
  if (object_) std::exchange(object_, nullptr)->Release();
}

Variant::Variant(const Variant& other) {
  VariantInit(&value_);
  VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
}

Variant Variant::FromText(const Text& text) {
  const std::u16string units = AnsiToUtf16(text);
  Variant variant;
  variant.value_.vt = VT_BSTR;
  variant.value_.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units.data()),
                                             static_cast<UINT>(units.size()));
  if (!variant.value_.bstrVal) variant.value_.vt = VT_EMPTY;
  return variant;
}

Variant Variant::FromBool(bool value) {
  Variant variant;
  variant.value_.vt = VT_BOOL;
  variant.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return variant;
}

Variant Variant::FromInt(int value) {
  Variant variant;
  variant.value_.vt = VT_I4;
  variant.value_.lVal = value;
  return variant;
}

Text Variant::ToText() const {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value_), 0, VT_BSTR)))
    return {};
  const BSTR text = converted.value_.bstrVal;
  if (!text) return {};
  // Code page 936 whatever the system's ANSI code page is.
  return Utf16ToAnsi(
      std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

int Variant::ToInt() const {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value_), 0, VT_I4))) return 0;
  return static_cast<int>(converted.value_.lVal);
}

bool Variant::ToBool() const {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value_), 0, VT_BOOL)))
    return false;
  return converted.value_.boolVal != VARIANT_FALSE;
}

Dispatch Variant::ToDispatch() const {
  if (value_.vt != VT_DISPATCH || !value_.pdispVal) return Dispatch();
  value_.pdispVal->AddRef();
  return Dispatch(value_.pdispVal);
}

Variant GetMember(const Dispatch& object, const wchar_t* name,
                  std::initializer_list<const Variant*> arguments) {
  Variant result;
  if (!object) return result;
  const DISPID id = MemberId(object.get(), name);
  if (id == DISPID_UNKNOWN) return result;
  // Invoke takes the arguments last to first.
  std::vector<VARIANT> reversed;
  for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) {
    reversed.push_back(*(*it)->get());  // a shallow copy: the callers keep ownership
  }
  DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (FAILED(object.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_METHOD | DISPATCH_PROPERTYGET, &parameters, result.get(),
                                  nullptr, nullptr))) {
    result.Clear();
  }
  return result;
}

bool PutProperty(const Dispatch& object, const wchar_t* name, const Variant& value) {
  if (!object) return false;
  const DISPID id = MemberId(object.get(), name);
  if (id == DISPID_UNKNOWN) return false;
  VARIANT argument = *value.get();  // a shallow copy: the caller keeps ownership
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{&argument, &named, 1, 1};
  return SUCCEEDED(object.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                        &parameters, nullptr, nullptr, nullptr));
}

}  // namespace quarvel
