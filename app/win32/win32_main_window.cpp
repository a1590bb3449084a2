#include "app/win32/win32_main_window.h"

#include <string>

#include "app/win32/input_box.h"
#include "app/win32/wide_text.h"
#include "app/window_layout.h"

namespace quarvel {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int ControlId(Control control) {
  return kFirstControlId + static_cast<int>(control);
}

struct ControlClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassOf(const ControlLayout& layout) {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  switch (layout.kind) {
    case ControlKind::MultiLineBox: {
      // Without ES_AUTOHSCROLL lines wrap at the box width; ES_AUTOVSCROLL lets the box take
      // more lines than it shows. Disabled after creation (see CreateControls).
      DWORD style = kChild | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL;
      if (layout.control != Control::Edit1) style |= WS_VSCROLL;
      return {L"EDIT", style, 0};
    }
    case ControlKind::InputBox:
      return {L"EDIT", kChild | WS_TABSTOP | ES_CENTER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
      return {L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0};
  }
  return {L"STATIC", kChild, 0};
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Win32MainWindow::Win32MainWindow() = default;

Win32MainWindow::~Win32MainWindow() {
  if (window_) {
    destroying_ = true;
    DestroyWindow(window_);
  }
}

bool Win32MainWindow::Create(HINSTANCE instance) {
  if (window_ || !RegisterWindowClass(instance, &Win32MainWindow::WindowProc)) return false;
  // The outer size includes frame and caption, which is what CreateWindow's size means.
  const int width = kMainWindowLayout.outerWidth;
  const int height = kMainWindowLayout.outerHeight;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const std::wstring caption = WideOf(Text(kMainWindowLayout.caption));
  CreateWindowExW(0, kMainWindowClass, caption.c_str(), kWindowStyle, left, top, width, height,
                  nullptr, nullptr, instance, this);
  if (!window_) return false;
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  if (!CreateControls(instance)) {
    destroying_ = true;
    DestroyWindow(window_);
    destroying_ = false;
    return false;
  }
  return true;
}

bool Win32MainWindow::CreateControls(HINSTANCE instance) {
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ControlLayout& layout : kControlLayouts) {
    const ControlClass kind = ClassOf(layout);
    const std::wstring text = WideOf(Text(layout.initialText));
    HWND control =
        CreateWindowExW(kind.exStyle, kind.className, text.c_str(), kind.style, layout.left,
                        layout.top, layout.width, layout.height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(layout.control))),
                        instance, nullptr);
    if (!control) return false;
    controls_[static_cast<size_t>(layout.control)] = control;
    SendMessageW(control, WM_SETFONT, font, FALSE);
    if (layout.kind == ControlKind::MultiLineBox) {
      SendMessageW(control, EM_SETLIMITTEXT, 0, 0);  // 0: as much as the control can hold
      // Disabled, not read-only: the user can neither focus, select nor scroll the box. An
      // edit control told so (WM_ENABLE, or WS_DISABLED at creation) paints its text grey
      // whatever WM_CTLCOLORSTATIC says; setting the style bit alone takes all input away
      // and leaves the text black.
      SetWindowLongW(control, GWL_STYLE, GetWindowLongW(control, GWL_STYLE) | WS_DISABLED);
    } else if (layout.kind == ControlKind::InputBox) {
      MakeInputBox(control, kInputLimitBytes);
    }
  }
  return true;
}

void Win32MainWindow::Show() {
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

HWND Win32MainWindow::ControlHandle(Control control) const {
  return controls_[static_cast<size_t>(control)];
}

Text Win32MainWindow::ControlText(Control control) {
  HWND handle = ControlHandle(control);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(handle)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(handle, text.data(), static_cast<int>(text.size()))));
  return TextOfWide(text);
}

void Win32MainWindow::SetControlText(Control control, const Text& text) {
  SetWindowTextW(ControlHandle(control), WideOf(text).c_str());
}

void Win32MainWindow::AppendControlText(Control control, const Text& text) {
  HWND box = ControlHandle(control);
  const int end = GetWindowTextLengthW(box);
  SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WideOf(text).c_str()));
}

void Win32MainWindow::ShowMessage(const Text& text) {
  if (presenter_) {
    presenter_(text);
    return;
  }
  MessageBoxW(nullptr, WideOf(text).c_str(), WideOf(Text(kMessageTitle)).c_str(),
              MB_OK | MB_TASKMODAL);
}

void Win32MainWindow::ProcessPendingEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave the quit request for the message loop that is waiting for it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32MainWindow::SetClickHandler(Control button, Handler handler) {
  if (button == Control::ButtonTcp) tcpHandler_ = std::move(handler);
  if (button == Control::ButtonUdp) udpHandler_ = std::move(handler);
}

void Win32MainWindow::SetMessagePresenter(MessagePresenter presenter) {
  presenter_ = std::move(presenter);
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT Win32MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:  // disabled (and read-only) edit boxes ask with this one
    case WM_CTLCOLOREDIT: {
      auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_ACTIVATE:
      // Keep the control that had the focus, to give it back when the window is active again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) focusedControl_ = focus;
      }
      break;
    case WM_SETFOCUS:
      // The input box has the focus first, so a port can be typed at once.
      SetFocus(focusedControl_ && IsWindow(focusedControl_) ? focusedControl_
                                                            : ControlHandle(Control::Edit4));
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        const int id = LOWORD(wParam);
        if (id == ControlId(Control::ButtonTcp) && tcpHandler_) tcpHandler_();
        if (id == ControlId(Control::ButtonUdp) && udpHandler_) udpHandler_();
        return 0;
      }
      break;
    case WM_DESTROY:
      // Closing the only window ends the program; a window the program tears down itself
      // (a test, a failed start) does not.
      if (!destroying_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      controls_ = {};
      return DefWindowProcW(window, message, wParam, lParam);
    }
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace quarvel
