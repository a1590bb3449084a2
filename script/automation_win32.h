// Late-bound COM automation: owned IDispatch references and VARIANTs, and calls of members by
// name. Every failure comes back as an empty value, never as an exception.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <initializer_list>
#include <string_view>

#include "http/text.h"

namespace quarvel {

// One owned reference to an automation object; empty when creation or a call failed.
class Dispatch {
 public:
  Dispatch() = default;
  // Takes over a reference the caller owns.
  explicit Dispatch(IDispatch* owned) : object_(owned) {}
  ~Dispatch() { Reset(); }
  Dispatch(const Dispatch& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  Dispatch& operator=(const Dispatch&) = delete;
  Dispatch(Dispatch&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  Dispatch& operator=(Dispatch&& other) noexcept;

  // An instance of the component registered under progId, or an empty reference.
  static Dispatch Create(const wchar_t* progId);

  void Reset();
  IDispatch* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  IDispatch* object_ = nullptr;
};

// A VARIANT that clears itself.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  Variant& operator=(const Variant&) = delete;

  static Variant FromText(const Text& text);  // a BSTR holding the text as UTF-16
  static Variant FromBool(bool value);
  static Variant FromInt(int value);

  void Clear() { VariantClear(&value_); }
  VARIANT* get() { return &value_; }
  const VARIANT* get() const { return &value_; }

  // The value converted the way automation converts it; the empty text or 0 when it cannot.
  Text ToText() const;
  int ToInt() const;
  bool ToBool() const;
  // The object the variant holds, with its own reference; empty when it holds none.
  Dispatch ToDispatch() const;

 private:
  VARIANT value_;
};

// object.name as a property read or a method call with arguments (either kind of member:
// "Item" is both). An empty variant when the call fails.
Variant GetMember(const Dispatch& object, const wchar_t* name,
                  std::initializer_list<const Variant*> arguments = {});
// object.name = value. False when the call fails.
bool PutProperty(const Dispatch& object, const wchar_t* name, const Variant& value);

}  // namespace quarvel
