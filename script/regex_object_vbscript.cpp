// RegexObject on the Windows scripting component "VBScript.RegExp", late bound through
// IDispatch. The dialect, the matching and the replacement rules are the component's.
#include <windows.h>
// <windows.h> maps ReplaceText to the common dialog ReplaceTextA.
#undef ReplaceText

#include <objbase.h>

#include "http/text_extract.h"
#include "http/text_search.h"
#include "script/automation_win32.h"
#include "script/regex_object.h"

namespace quarvel {

struct RegexObject::State {
  Dispatch component;  // the RegExp instance of the last Search
  Dispatch matches;    // the collection its Execute returned
  Variant subject;     // the subject of the last Search, as a wide string
  Text subjectText;    // the same in code page 936, where byte positions are looked up

  // A match of the collection by its 1-based index; empty outside the collection.
  Dispatch Match(int index) const {
    if (index < 1) return Dispatch();
    const Variant position = Variant::FromInt(index - 1);
    return GetMember(matches, L"Item", {&position}).ToDispatch();
  }

  // The 0-based byte position of found in the subject, looked up from the byte position the
  // component's character index names (bytes are never fewer than characters); -2 when
  // it is not there.
  int BytePosition(const Text& found, int characterIndex) const {
    const bool ignoreCase = GetMember(component, L"IgnoreCase").ToBool();
    return ForwardSearch(subjectText, found, characterIndex, ignoreCase) - 1;
  }
};

RegexObject::RegexObject() : state_(std::make_unique<State>()) {
  CoInitialize(nullptr);
}

RegexObject::RegexObject(const RegexObject& other) : state_(std::make_unique<State>()) {
  // A copy pairs its own initialisation with the uninitialisation its destruction makes.
  CoInitialize(nullptr);
  state_->component = Dispatch(other.state_->component);
  state_->matches = Dispatch(other.state_->matches);
  VariantCopy(state_->subject.get(), const_cast<VARIANT*>(other.state_->subject.get()));
  state_->subjectText = other.state_->subjectText;
}

RegexObject::~RegexObject() {
  state_->component.Reset();
  state_->matches.Reset();
  state_->subject.Clear();
  state_.reset();
  CoUninitialize();
}

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteMarkers) {
  State& state = *state_;
  state.component.Reset();
  state.matches.Reset();
  state.component = Dispatch::Create(L"VBScript.RegExp");
  PutProperty(state.component, L"IgnoreCase", Variant::FromBool(!caseSensitive));
  PutProperty(state.component, L"Multiline", Variant::FromBool(multiline));
  PutProperty(state.component, L"Global", Variant::FromBool(global));
  const Text written = quoteMarkers ? ReplaceAll(pattern, kQuoteMarker, "\"") : pattern;
  PutProperty(state.component, L"Pattern", Variant::FromText(written));

  state.subject.Clear();
  Variant wide = Variant::FromText(subject);
  VariantCopy(state.subject.get(), wide.get());
  state.subjectText = subject;

  state.matches = GetMember(state.component, L"Execute", {&state.subject}).ToDispatch();
  return static_cast<bool>(state.matches);
}

Text RegexObject::PatternText() const {
  if (!state_->component) return {};
  return GetMember(state_->component, L"Pattern").ToText();
}

Text RegexObject::ReplaceText(const Text& replacement) const {
  if (!state_->component) return {};
  const Variant with = Variant::FromText(replacement);
  return GetMember(state_->component, L"Replace", {&state_->subject, &with}).ToText();
}

int RegexObject::MatchCount() const {
  if (!state_->matches) return 0;
  return GetMember(state_->matches, L"Count").ToInt();
}

Text RegexObject::MatchText(int match, int* position) const {
  const Dispatch found = state_->Match(match);
  const Text text = GetMember(found, L"Value").ToText();
  if (position) {
    const int firstIndex = GetMember(found, L"FirstIndex").ToInt();
    *position = found ? state_->BytePosition(text, firstIndex) : -2;
  }
  return text;
}

Text RegexObject::SubmatchText(int match, int group, int* position) const {
  const Dispatch found = state_->Match(match);
  Text text;
  if (group >= 1) {
    const Dispatch groups = GetMember(found, L"SubMatches").ToDispatch();
    const Variant index = Variant::FromInt(group - 1);
    text = GetMember(groups, L"Item", {&index}).ToText();
  }
  if (position) {
    const int firstIndex = GetMember(found, L"FirstIndex").ToInt();
    *position = found ? state_->BytePosition(text, firstIndex) : -2;
  }
  return text;
}

int RegexObject::SubmatchCount() const {
  const Dispatch first = state_->Match(1);
  const Dispatch groups = GetMember(first, L"SubMatches").ToDispatch();
  return GetMember(groups, L"Count").ToInt();
}

}  // namespace quarvel
