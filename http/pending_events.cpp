#include "http/pending_events.h"

#include <utility>

namespace quarvel {
namespace {

// One GUI thread: the hook is installed before the first request and read on that thread.
std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void SetPendingEventsHook(std::function<void()> hook) {
  Hook() = std::move(hook);
}

void ProcessPendingEvents() {
  if (Hook()) Hook()();
}

}  // namespace quarvel
