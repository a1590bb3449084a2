// RegexObject on PCRE2, working in UTF-16 code units so that match indexes count the way a
// JavaScript-style engine counts them.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <optional>
#include <string>
#include <vector>

#include "http/code_page.h"
#include "http/text_extract.h"
#include "http/text_search.h"
#include "script/regex_object.h"

namespace quarvel {
namespace {

// Bounds for one pcre2_match call, so that a pathological pattern over a large subject ends
// in an error instead of running for hours or exhausting memory.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kHeapLimitKib = 256 * 1024;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* handle) const { Free(handle); }
};
using CodePtr = std::unique_ptr<pcre2_code, Deleter<pcre2_code, pcre2_code_free>>;
using MatchDataPtr =
    std::unique_ptr<pcre2_match_data, Deleter<pcre2_match_data, pcre2_match_data_free>>;
using MatchContextPtr =
    std::unique_ptr<pcre2_match_context, Deleter<pcre2_match_context, pcre2_match_context_free>>;
using CompileContextPtr =
    std::unique_ptr<pcre2_compile_context,
                    Deleter<pcre2_compile_context, pcre2_compile_context_free>>;
using JitStackPtr =
    std::unique_ptr<pcre2_jit_stack, Deleter<pcre2_jit_stack, pcre2_jit_stack_free>>;

PCRE2_SPTR Units(const std::u16string& text) {
  return reinterpret_cast<PCRE2_SPTR>(text.data());
}

// The pattern as written and the options of one Search. code stays empty when the pattern
// was rejected.
struct Compiled {
  Text pattern;
  bool ignoreCase = true;
  bool global = true;
  CodePtr code;
  uint32_t groupCount = 0;
};

struct Span {
  size_t begin = 0;
  size_t end = 0;
};

struct Match {
  Span whole;
  std::vector<std::optional<Span>> groups;  // empty for a group that took no part
};

using MatchList = std::vector<Match>;

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

// The offset one character after at; a surrogate pair is stepped over whole.
size_t NextCharacter(const std::u16string& subject, size_t at) {
  if (at + 1 < subject.size() && IsHighSurrogate(subject[at])) return at + 2;
  return at + 1;
}

CodePtr Compile(const Compiled& settings, bool multiline) {
  uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                     PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_BACKSLASH_C;
  if (settings.ignoreCase) options |= PCRE2_CASELESS;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

  CompileContextPtr context(pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);

  const std::u16string pattern = AnsiToUtf16(settings.pattern);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(
      pcre2_compile(Units(pattern), pattern.size(), options, &error, &errorOffset, context.get()));
  // JIT is a speed-up only: without it the interpreter gives the same answers.
  if (code) pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
  return code;
}

// Every match of code in subject (only the first unless global). nullopt when a match ran
// into one of the limits.
std::optional<MatchList> FindMatches(const Compiled& compiled, const std::u16string& subject) {
  MatchDataPtr data(pcre2_match_data_create_from_pattern(compiled.code.get(), nullptr));
  MatchContextPtr context(pcre2_match_context_create(nullptr));
  if (!data || !context) return std::nullopt;
  pcre2_set_match_limit(context.get(), kMatchLimit);
  pcre2_set_heap_limit(context.get(), kHeapLimitKib);
  JitStackPtr jitStack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
  if (jitStack) pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());

  MatchList matches;
  size_t start = 0;
  // The subject is checked for valid UTF-16 on the first call only; checking it again on
  // every call would make a global search quadratic.
  uint32_t options = 0;
  while (start <= subject.size()) {
    int rc = pcre2_match(compiled.code.get(), Units(subject), subject.size(), start, options,
                         data.get(), context.get());
    // A JIT stack too small for this subject: the interpreter keeps its frames on the heap.
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
      rc = pcre2_match(compiled.code.get(), Units(subject), subject.size(), start,
                       options | PCRE2_NO_JIT, data.get(), context.get());
    }
    options = PCRE2_NO_UTF_CHECK;
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) return std::nullopt;

    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data.get());
    Match match;
    match.whole = {offsets[0], offsets[1]};
    for (uint32_t group = 1; group <= compiled.groupCount; ++group) {
      const PCRE2_SIZE begin = offsets[2 * group];
      if (group < static_cast<uint32_t>(rc) && begin != PCRE2_UNSET) {
        match.groups.push_back(Span{begin, offsets[2 * group + 1]});
      } else {
        match.groups.push_back(std::nullopt);
      }
    }
    matches.push_back(std::move(match));
    if (!compiled.global) break;

    const Span found = matches.back().whole;
    // After an empty match the next search starts one character further on, as in
    // JavaScript; a match that ends before where it began (\K in a lookahead) moves on too.
    start = found.end > found.begin ? found.end : NextCharacter(subject, found.begin);
  }
  return matches;
}

Text TextOfSpan(const std::u16string& subject, Span span) {
  return Utf16ToAnsi(std::u16string_view(subject).substr(span.begin, span.end - span.begin));
}

// Appends the replacement for one match: $1..$99, $&, $`, $' and $$ are expanded; any other
// "$" stands for itself.
void AppendReplacement(std::u16string& out, const std::u16string& replacement,
                       const std::u16string& subject, const Match& match) {
  auto appendSpan = [&](Span span) { out.append(subject, span.begin, span.end - span.begin); };
  auto appendGroup = [&](size_t group) {
    if (const auto& span = match.groups[group - 1]) appendSpan(*span);
  };
  auto digit = [&](size_t at) -> int {
    if (at >= replacement.size() || replacement[at] < u'0' || replacement[at] > u'9') return -1;
    return replacement[at] - u'0';
  };
  const size_t groupCount = match.groups.size();

  for (size_t at = 0; at < replacement.size(); ++at) {
    const char16_t unit = replacement[at];
    if (unit != u'$' || at + 1 >= replacement.size()) {
      out += unit;
      continue;
    }
    const char16_t next = replacement[at + 1];
    if (next == u'$') {
      out += u'$';
      ++at;
    } else if (next == u'&') {
      appendSpan(match.whole);
      ++at;
    } else if (next == u'`') {
      appendSpan({0, match.whole.begin});
      ++at;
    } else if (next == u'\'') {
      appendSpan({match.whole.end, subject.size()});
      ++at;
    } else if (const int first = digit(at + 1); first >= 0) {
      // Two digits when they name a group, else one digit when it does; $0 is literal.
      const int second = digit(at + 2);
      const size_t twoDigits = second >= 0 ? static_cast<size_t>(first * 10 + second) : 0;
      if (twoDigits >= 1 && twoDigits <= groupCount) {
        appendGroup(twoDigits);
        at += 2;
      } else if (first >= 1 && static_cast<size_t>(first) <= groupCount) {
        appendGroup(static_cast<size_t>(first));
        at += 1;
      } else {
        out += unit;
      }
    } else {
      out += unit;
    }
  }
}

}  // namespace

struct RegexObject::State {
  // Shared by copies: the pattern with its options, and the matches of the last Search.
  std::shared_ptr<const Compiled> compiled;
  std::shared_ptr<const MatchList> matches;
  Text subject;
  std::u16string subjectUnits;

  const Match* MatchAt(int index) const {
    if (!matches || index < 1 || static_cast<size_t>(index) > matches->size()) return nullptr;
    return &(*matches)[static_cast<size_t>(index) - 1];
  }

  // The 0-based byte position of found in the subject, searched from the match's character
  // index taken as a byte position; -2 when it is not there.
  int BytePosition(const Text& found, const Match& match) const {
    const int start = static_cast<int>(match.whole.begin);
    return ForwardSearch(subject, found, start, compiled->ignoreCase) - 1;
  }
};

RegexObject::RegexObject() : state_(std::make_unique<State>()) {}
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other)
    : state_(std::make_unique<State>(*other.state_)) {}

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteMarkers) {
  state_->compiled.reset();
  state_->matches.reset();

  auto compiled = std::make_shared<Compiled>();
  compiled->ignoreCase = !caseSensitive;
  compiled->global = global;
  compiled->pattern = quoteMarkers ? ReplaceAll(pattern, kQuoteMarker, "\"") : pattern;
  compiled->code = Compile(*compiled, multiline);
  if (compiled->code) {
    pcre2_pattern_info(compiled->code.get(), PCRE2_INFO_CAPTURECOUNT, &compiled->groupCount);
  }
  state_->compiled = compiled;

  state_->subject = subject;
  state_->subjectUnits = AnsiToUtf16(subject);
  if (!compiled->code) return false;

  std::optional<MatchList> matches = FindMatches(*compiled, state_->subjectUnits);
  if (!matches) return false;
  state_->matches = std::make_shared<const MatchList>(std::move(*matches));
  return true;
}

Text RegexObject::PatternText() const {
  return state_->compiled ? state_->compiled->pattern : Text();
}

Text RegexObject::ReplaceText(const Text& replacement) const {
  if (!state_->matches) return Text();
  const std::u16string& subject = state_->subjectUnits;
  const std::u16string replacementUnits = AnsiToUtf16(replacement);
  std::u16string out;
  size_t copied = 0;
  for (const Match& match : *state_->matches) {
    out.append(subject, copied, match.whole.begin - copied);
    AppendReplacement(out, replacementUnits, subject, match);
    copied = std::max(copied, match.whole.end);
  }
  out.append(subject, copied, std::u16string::npos);
  return Utf16ToAnsi(out);
}

int RegexObject::MatchCount() const {
  return state_->matches ? static_cast<int>(state_->matches->size()) : 0;
}

Text RegexObject::MatchText(int match, int* position) const {
  const Match* found = state_->MatchAt(match);
  if (!found) {
    if (position) *position = -2;
    return Text();
  }
  Text text = TextOfSpan(state_->subjectUnits, found->whole);
  if (position) *position = state_->BytePosition(text, *found);
  return text;
}

Text RegexObject::SubmatchText(int match, int group, int* position) const {
  const Match* found = state_->MatchAt(match);
  if (!found || group < 1 || static_cast<size_t>(group) > found->groups.size()) {
    if (position) *position = -2;
    return Text();
  }
  const auto& span = found->groups[static_cast<size_t>(group) - 1];
  Text text = span ? TextOfSpan(state_->subjectUnits, *span) : Text();
  if (position) *position = state_->BytePosition(text, *found);
  return text;
}

int RegexObject::SubmatchCount() const {
  const Match* first = state_->MatchAt(1);
  return first ? static_cast<int>(first->groups.size()) : 0;
}

}  // namespace quarvel
