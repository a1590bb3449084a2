// Drives a running quarvel.exe from outside, the way a user would, for the smoke test:
//   quarvel_probe dump              waits for the shown window; prints its rectangle and the
//                                   text of each control, UTF-8, one "name<TAB>text" line each
//   quarvel_probe type TEXT         types TEXT into the input box, one WM_CHAR per character
//   quarvel_probe click tcp|udp     clicks a check button, prints the message box text, OKs it
//   quarvel_probe shot              brings the window to the front, painted, for a picture
//   quarvel_probe close             closes the window as the close button does
// Exit code 0 on success, 1 when the window or the message box does not turn up in time.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "app/win32/win32_main_window.h"
#include "app/window_layout.h"

namespace {

constexpr int kWaitMs = 60000;

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), text.data(), size, nullptr,
                      nullptr);
  return text;
}

std::wstring Wide(std::string_view utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), size);
  return wide;
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT works across processes, disabled controls included.
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(size_t(length) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(size_t(length));
  return text;
}

// Prints control characters as escapes, so each text stays on one line.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

HWND WaitForMainWindow() {
  for (int waited = 0; waited < kWaitMs; waited += 100) {
    HWND window = FindWindowW(quarvel::kMainWindowClass, L"Quarvel");
    if (window && IsWindowVisible(window)) return window;
    Sleep(100);
  }
  std::fprintf(stderr, "probe: no visible Quarvel window\n");
  return nullptr;
}

HWND ControlOf(HWND window, quarvel::Control control) {
  return GetDlgItem(window, quarvel::kFirstControlId + int(control));
}

int Dump(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("rect\t%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
  std::printf("screen\t%d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::printf("caption\t%s\n", Utf8(TextOf(window)).c_str());
  for (const quarvel::ControlLayout& layout : quarvel::kControlLayouts) {
    HWND control = ControlOf(window, layout.control);
    std::printf("%.*s\t%s\n", int(layout.objectName.size()), layout.objectName.data(),
                Escaped(Utf8(TextOf(control))).c_str());
  }
  return 0;
}

int Type(HWND window, std::string_view text) {
  HWND box = ControlOf(window, quarvel::Control::Edit4);
  for (wchar_t ch : Wide(text)) SendMessageW(box, WM_CHAR, ch, 1);
  std::printf("Edit4\t%s\n", Utf8(TextOf(box)).c_str());
  return 0;
}

int Click(HWND window, std::string_view which) {
  const auto button = which == "udp" ? quarvel::Control::ButtonUdp : quarvel::Control::ButtonTcp;
  // Posted, not sent: the click handler runs a modal message box in the other process.
  PostMessageW(ControlOf(window, button), BM_CLICK, 0, 0);
  const std::wstring title = L"\x4FE1\x606F\xFF1A";  // 信息：
  for (int waited = 0; waited < kWaitMs; waited += 100) {
    if (HWND box = FindWindowW(L"#32770", title.c_str())) {
      Sleep(300);  // let it paint, for anyone watching
      std::printf("message\t%s\n", Utf8(TextOf(GetDlgItem(box, 0xFFFF))).c_str());
      std::printf("owner\t%s\n", GetWindow(box, GW_OWNER) ? "yes" : "none");
      std::printf("main window enabled\t%s\n", IsWindowEnabled(window) ? "yes" : "no");
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "probe: no message box\n");
  return 1;
}

// Brings the window to the front, fully painted, for a picture taken from outside.
int Raise(HWND window) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: quarvel_probe dump|type TEXT|click tcp|udp|shot|close\n");
    return 2;
  }
  const std::string_view command = argv[1];
  HWND window = WaitForMainWindow();
  if (!window) return 1;
  int status = 2;
  if (command == "dump") status = Dump(window);
  if (command == "type" && argc > 2) status = Type(window, argv[2]);
  if (command == "click" && argc > 2) status = Click(window, argv[2]);
  if (command == "shot") status = Raise(window);
  if (command == "close") status = PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  std::fflush(stdout);
  return status;
}
