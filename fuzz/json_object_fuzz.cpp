// Parse a text, then read and edit it along paths and values taken from the same input.
// Reads must never crash, and what the writer produces must parse back to the same text.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "http/code_page.h"
#include "script/json_object.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string path = input.Piece();
  const std::string value = input.Piece();
  const int index = input.Int(-128);
  const bool raw = input.Flag();
  const std::string text(input.Rest());

  JsonObject json;
  const bool parsed = json.Parse(text);
  const Text written = json.ToJsonText();
  // A number too large for a double parses as Infinity, which the writer gives as null, and
  // bytes that are not code page 936 all become "?", so two keys can become one: the writer's
  // text reads back the same only without either.
  const std::u16string units = AnsiToUtf16(text);
  const bool clean = std::count(units.begin(), units.end(), u'?') ==
                     std::count(text.begin(), text.end(), '?');
  if (parsed && clean && written != "null") {
    JsonObject again;
    if (!again.Parse(written) || again.ToJsonText() != written) abort();
  }

  json.ValueText(path);
  json.ValueText(path, true);
  json.ValueObject(path).ToJsonText();
  json.MemberCount(path);
  json.TypeOf(path);
  json.HasMember(path);
  json.MemberNumber(path);
  std::vector<Text> names;
  json.MemberNames(names, path);
  json.ItemText(index, path, raw);
  json.ItemObject(index, path).ToJsonText();

  JsonObject shared = json.Copy();
  json.SetMember(path, value, raw);
  json.PushItem(value, path, raw);
  json.SetItem(index, value, raw);
  json.RemovePathItem(path);
  json.RemoveItem(index);
  json.SetMemberJson(path, value);
  json.SetMemberNumber(path, index / 3.0);
  json.DeleteMember(path);
  if (shared.ToJsonText() != json.ToJsonText()) abort();  // copies share the value

  const Text edited = json.ToJsonText();
  JsonObject reread;
  if (clean && !edited.empty() && edited != "null" && reread.Parse(edited) &&
      reread.ToJsonText() != edited) {
    abort();
  }
  json.SetValue(value, raw);
  json.Reset(static_cast<JsonType>(index % 7));
  json.Clear();
  return 0;
}
