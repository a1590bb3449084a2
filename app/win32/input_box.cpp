#include "app/win32/input_box.h"

#include <algorithm>
#include <string>

#include "app/win32/wide_text.h"

namespace quarvel {
namespace {

constexpr wchar_t kOriginalProcProperty[] = L"QuarvelInputBoxProc";
constexpr wchar_t kLimitProperty[] = L"QuarvelInputBoxLimit";

constexpr wchar_t kCtrlV = 0x16;

int CodePageBytes(std::wstring_view wide) {
  return static_cast<int>(TextOfWide(wide).size());
}

std::wstring WindowText(HWND edit) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Bytes still free once the selection (which typing or pasting replaces) is gone.
int RoomInBytes(HWND edit) {
  const auto limit = reinterpret_cast<INT_PTR>(GetPropW(edit, kLimitProperty));
  const std::wstring text = WindowText(edit);
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
  end = std::min<DWORD>(std::max(start, end), static_cast<DWORD>(text.size()));
  const std::wstring kept = text.substr(0, start) + text.substr(end);
  return static_cast<int>(limit) - CodePageBytes(kept);
}

std::wstring ClipboardText(HWND owner) {
  std::wstring text;
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = units;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// A paste into a single-line box takes the clipboard text up to its first line break, then
// as many whole characters as the byte limit leaves room for. It is not filtered.
void PasteWithinLimit(HWND edit) {
  std::wstring text = ClipboardText(edit);
  text.resize(std::min(text.size(), text.find_first_of(L"\r\n")));
  int room = RoomInBytes(edit);
  size_t taken = 0;
  while (taken < text.size()) {
    const bool pair = IS_HIGH_SURROGATE(text[taken]) && taken + 1 < text.size() &&
                      IS_LOW_SURROGATE(text[taken + 1]);
    const size_t units = pair ? 2 : 1;
    const int bytes = CodePageBytes(std::wstring_view(text).substr(taken, units));
    if (bytes > room) break;
    room -= bytes;
    taken += units;
  }
  if (taken == 0) return;
  text.resize(taken);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsAcceptedTypedCharacter(wchar_t ch) {
  return ch < 0x20 || (ch >= L'0' && ch <= L'9') || ch == L'-';
}

LRESULT CALLBACK InputBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(edit, kOriginalProcProperty));
  switch (message) {
    case WM_CHAR: {
      const auto ch = static_cast<wchar_t>(wParam);
      if (ch == kCtrlV) {
        PasteWithinLimit(edit);
        return 0;
      }
      if (!IsAcceptedTypedCharacter(ch)) return 0;
      if (ch >= 0x20 && RoomInBytes(edit) < CodePageBytes(std::wstring_view(&ch, 1))) {
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      // Shift+Insert is the other paste shortcut of an edit control.
      if (wParam == VK_INSERT && (GetKeyState(VK_SHIFT) & 0x8000) &&
          !(GetKeyState(VK_CONTROL) & 0x8000)) {
        PasteWithinLimit(edit);
        return 0;
      }
      break;
    case WM_PASTE:
      PasteWithinLimit(edit);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      RemovePropW(edit, kOriginalProcProperty);
      RemovePropW(edit, kLimitProperty);
      break;
  }
  return CallWindowProcW(original, edit, message, wParam, lParam);
}

}  // namespace

void MakeInputBox(HWND edit, int limitBytes) {
  SetPropW(edit, kLimitProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(limitBytes)));
  // The original procedure is stored before the new one can be called.
  SetPropW(edit, kOriginalProcProperty,
           reinterpret_cast<HANDLE>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
  SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InputBoxProc));
}

}  // namespace quarvel
