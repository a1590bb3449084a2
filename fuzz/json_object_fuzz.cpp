// JsonObject with random JSON text and random paths: no crash, no unbounded recursion, and
// JSON text that reads back to itself.
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "script/json_object.h"

using namespace quarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const int index = input.Int(-128);
  const bool flag = input.Flag();
  const Text path = input.Piece();
  const Text value = input.Piece();
  const Text json(input.Rest());

  JsonObject object;
  object.Parse(json);
  // After one trip through text the value is in its written form, so a second trip must
  // give the same text.
  JsonObject once;
  once.Parse(object.ToJsonText());
  const Text written = once.ToJsonText();
  JsonObject twice;
  twice.Parse(written);
  if (twice.ToJsonText() != written) abort();

  object.ValueText(path, flag);
  object.ValueObject(path).ToJsonText();
  object.ItemObject(index, path).ToJsonText();
  object.ItemText(index, path, flag);
  object.MemberCount(path);
  object.TypeOf(path);
  object.HasMember(path);
  object.MemberNumber(path);
  std::vector<Text> names;
  if (object.MemberNames(names, path) != static_cast<int>(names.size())) abort();

  JsonObject copy = object.Copy();
  object.SetMember(path, value, flag);
  object.PushItem(value, path, flag);
  object.SetItem(index, value, flag);
  object.RemoveItem(index);
  object.RemovePathItem(path);
  object.DeleteMember(path);
  if (copy.ToJsonText() != object.ToJsonText()) abort();  // copies share the value
  return 0;
}
