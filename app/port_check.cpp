#include "app/port_check.h"

#include <string_view>

#include "app/find_text.h"

namespace quarvel {
namespace {

constexpr std::string_view kInputError =
    "\xca\xe4\xc8\xeb\xd3\xd0\xce\xf3,\xc7\xeb\xd6\xd8\xd0\xc2\xca\xe4\xc8\xeb";  // 输入有误,请重新输入
constexpr std::string_view kPortTaken = " \xb6\xcb\xbf\xda\xd2\xd1\xd5\xbc\xd3\xc3";  //  端口已占用
constexpr std::string_view kPortFree = " \xb6\xcb\xbf\xda\xbf\xc9\xd3\xc3";  //  端口可用

// The texts are C strings to the user: whatever follows a NUL is not part of them.
Text UpToNul(Text text) {
  if (const size_t nul = text.find('\0'); nul != Text::npos) text.resize(nul);
  return text;
}

}  // namespace

PortAnswer CheckPortIn(MainWindow& window, Control listBox) {
  const Text typed = UpToNul(window.ControlText(Control::Edit4));
  if (typed.size() < kShortestPortInput) {
    window.ShowMessage(Text(kInputError));
    return PortAnswer::InputError;
  }
  const Text list = window.ControlText(listBox);
  const bool taken = FindTextFrom(list, typed) != -1;
  window.ShowMessage(typed + Text(taken ? kPortTaken : kPortFree));
  return taken ? PortAnswer::Taken : PortAnswer::Free;
}

void OnTcpCheckClicked(MainWindow& window) {
  CheckPortIn(window, Control::Edit2);
}

void OnUdpCheckClicked(MainWindow& window) {
  CheckPortIn(window, Control::Edit3);
}

}  // namespace quarvel
