#include "app/win32/win32_main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/win32/wide_text.h"
#include "app/window_layout.h"

namespace quarvel {
namespace {

class Win32MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window_.Create(GetModuleHandleW(nullptr))); }

  HWND Box(Control control) const { return window_.ControlHandle(control); }

  // The control's rectangle in the client coordinates of the window.
  RECT ClientRectOf(Control control) const {
    RECT rect;
    GetWindowRect(Box(control), &rect);
    MapWindowPoints(nullptr, window_.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  void Type(const std::wstring& keys) {
    for (wchar_t key : keys) SendMessageW(Box(Control::Edit4), WM_CHAR, key, 1);
  }

  void PutOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(window_.Handle()));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::wcscpy(static_cast<wchar_t*>(GlobalLock(memory)), text.c_str());
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);  // the clipboard owns the memory now
    CloseClipboard();
  }

  Win32MainWindow window_;
};

TEST_F(Win32MainWindowTest, IsCreatedHiddenCentredWithAFixedFrame) {
  HWND window = window_.Handle();
  EXPECT_FALSE(IsWindowVisible(window));
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, 291);
  EXPECT_EQ(outer.bottom - outer.top, 432);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 291) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 432) / 2);

  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetMenu(window), nullptr);
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
  wchar_t caption[32] = {};
  GetWindowTextW(window, caption, 32);
  EXPECT_STREQ(caption, L"Quarvel");

  window_.Show();
  EXPECT_TRUE(IsWindowVisible(window));
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 291) / 2);
}

TEST_F(Win32MainWindowTest, LaysOutTheSixControls) {
  const HGDIOBJ guiFont = GetStockObject(DEFAULT_GUI_FONT);
  for (const ControlLayout& layout : kControlLayouts) {
    SCOPED_TRACE(std::string(layout.objectName));
    HWND box = Box(layout.control);
    ASSERT_NE(box, nullptr);
    const RECT rect = ClientRectOf(layout.control);
    EXPECT_EQ(rect.left, layout.left);
    EXPECT_EQ(rect.top, layout.top);
    EXPECT_EQ(rect.right - rect.left, layout.width);
    EXPECT_EQ(rect.bottom - rect.top, layout.height);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)), guiFont);
    EXPECT_EQ(window_.ControlText(layout.control), layout.initialText);

    const LONG style = GetWindowLongW(box, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(box, GWL_EXSTYLE);
    switch (layout.kind) {
      case ControlKind::MultiLineBox:
        EXPECT_FALSE(IsWindowEnabled(box));
        EXPECT_TRUE(style & ES_MULTILINE);
        EXPECT_FALSE(style & (ES_AUTOHSCROLL | WS_HSCROLL));  // lines wrap
        EXPECT_EQ((style & WS_VSCROLL) != 0, layout.control != Control::Edit1);
        EXPECT_GE(static_cast<DWORD>(SendMessageW(box, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu);
        break;
      case ControlKind::InputBox:
        EXPECT_TRUE(IsWindowEnabled(box));
        EXPECT_FALSE(style & ES_MULTILINE);
        EXPECT_TRUE(style & ES_CENTER);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_TRUE(exStyle & WS_EX_CLIENTEDGE);
        break;
      case ControlKind::Button:
        EXPECT_TRUE(IsWindowEnabled(box));
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);  // not a default button
        EXPECT_TRUE(style & WS_TABSTOP);
        break;
    }
  }
  EXPECT_EQ(window_.ControlText(Control::ButtonTcp), "TCP\xb2\xe9\xd1\xaf");  // TCP查询
}

TEST_F(Win32MainWindowTest, DrawsTheDisabledBoxesBlackOnWhite) {
  HDC dc = GetDC(window_.Handle());
  for (Control box : {Control::Edit1, Control::Edit2, Control::Edit3}) {
    SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT brush =
        SendMessageW(window_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Box(box)));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  }
  ReleaseDC(window_.Handle(), dc);
}

// Counts the pixels of the box, as it paints itself, that have the given colour.
int PixelsOfColour(HWND box, COLORREF colour) {
  RECT client;
  GetClientRect(box, &client);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  const DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  int count = 0;
  for (int i = 0; i < client.right * client.bottom; ++i) count += (pixels[i] & 0xFFFFFF) == wanted;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return count;
}

TEST_F(Win32MainWindowTest, DisabledBoxesPaintBlackTextNotGrey) {
  window_.SetControlText(Control::Edit2, "WWWWWWWW\r\n88888888");
  HWND box = Box(Control::Edit2);
  EXPECT_GT(PixelsOfColour(box, RGB(0, 0, 0)), 20);
  EXPECT_EQ(PixelsOfColour(box, GetSysColor(COLOR_GRAYTEXT)), 0);
  EXPECT_GT(PixelsOfColour(box, RGB(255, 255, 255)), 1000);
}

// Clicks the middle of control with real mouse input and dispatches messages until the
// button release has arrived somewhere in this thread (a disabled box passes it on to its
// parent), or two seconds have gone by.
bool ClickAndWait(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  // The position travels with the events: a separate SetCursorPos may land after them.
  const LONG x = (rect.left + rect.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  const LONG y = (rect.top + rect.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  INPUT clicks[3] = {};
  for (INPUT& click : clicks) {
    click.type = INPUT_MOUSE;
    click.mi.dx = x;
    click.mi.dy = y;
  }
  clicks[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  clicks[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  SendInput(3, clicks, sizeof(INPUT));
  const DWORD deadline = GetTickCount() + 2000;
  while (GetTickCount() < deadline) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
      if (message.message == WM_LBUTTONUP || message.message == WM_NCLBUTTONUP) return true;
    }
    Sleep(10);
  }
  return false;
}

TEST_F(Win32MainWindowTest, ReadOutBoxesTakeNoMouseInput) {
  window_.Show();
  SetForegroundWindow(window_.Handle());
  for (DWORD end = GetTickCount() + 2000; GetForegroundWindow() != window_.Handle();) {
    ASSERT_LT(GetTickCount(), end) << "the window never became active";
    window_.ProcessPendingEvents();
    Sleep(10);
  }
  // The input box has the focus first; activation reaches it through queued messages.
  for (DWORD end = GetTickCount() + 2000; GetFocus() != Box(Control::Edit4);) {
    ASSERT_LT(GetTickCount(), end) << "the input box never got the focus";
    window_.ProcessPendingEvents();
    Sleep(10);
  }
  // The check: the same kind of click moves the focus to an enabled control.
  SetFocus(Box(Control::ButtonTcp));
  ASSERT_TRUE(ClickAndWait(Box(Control::Edit4)));
  ASSERT_EQ(GetFocus(), Box(Control::Edit4));
  for (Control control : {Control::Edit1, Control::Edit2, Control::Edit3}) {
    ClickAndWait(Box(control));
    EXPECT_EQ(GetFocus(), Box(Control::Edit4)) << static_cast<int>(control);
  }
}

TEST_F(Win32MainWindowTest, InputBoxDropsTypedCharactersOtherThanDigitsAndMinus) {
  const struct {
    std::wstring keys;
    Text text;
  } cases[] = {
      {L"12a.-3", "12-3"},
      {L"1234567", "123456"},  // a seventh character is refused
      {L"123\b4", "124"},      // Backspace is a control character and passes
      {L"-----9-", "-----9"},  // nothing checks where "-" stands
      {L"\x4E2D"
       L"12",
       "12"},  // 中 typed through an input method
  };
  for (const auto& c : cases) {
    window_.SetControlText(Control::Edit4, "");
    Type(c.keys);
    EXPECT_EQ(window_.ControlText(Control::Edit4), c.text) << c.text;
  }
}

TEST_F(Win32MainWindowTest, InputBoxTakesPastedTextUpToSixBytes) {
  const struct {
    Text before;
    std::wstring clipboard;
    Text after;
  } cases[] = {
      {"", L"ab.12", "ab.12"},  // not filtered
      {"", L"abcdefgh", "abcdef"},
      {"", L"\x4E2D\x6587\x5B57x", "\xd6\xd0\xce\xc4\xd7\xd6"},  // 中文字: 6 bytes
      {"12345", L"\x4E2D", "12345"},                             // 中 needs 2 bytes
      {"1234", L"\x4E2D", "1234\xd6\xd0"},
      {"", L"27500\r\n27501", "27500"},  // the first line
  };
  for (const auto& c : cases) {
    window_.SetControlText(Control::Edit4, c.before);
    const int end = static_cast<int>(c.before.size());
    SendMessageW(Box(Control::Edit4), EM_SETSEL, end, end);
    PutOnClipboard(c.clipboard);
    SendMessageW(Box(Control::Edit4), WM_PASTE, 0, 0);
    EXPECT_EQ(window_.ControlText(Control::Edit4), c.after) << c.after;
  }
  // Ctrl+V arrives as a character and obeys the same limit.
  window_.SetControlText(Control::Edit4, "");
  PutOnClipboard(L"1234567");
  Type(L"\x16");
  EXPECT_EQ(window_.ControlText(Control::Edit4), "123456");
  // A selection is replaced, so its bytes are free again.
  SendMessageW(Box(Control::Edit4), EM_SETSEL, 0, 6);
  PutOnClipboard(L"654321");
  SendMessageW(Box(Control::Edit4), WM_PASTE, 0, 0);
  EXPECT_EQ(window_.ControlText(Control::Edit4), "654321");
}

TEST_F(Win32MainWindowTest, AppendsAnyNumberOfLinesAndShowsTheLast) {
  Text expected = "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n";  // TCP在用端口
  window_.AppendControlText(Control::Edit2, expected);
  for (int port = 10000; port < 13000; ++port) {
    const Text line = std::to_string(port) + "\r\n";
    window_.AppendControlText(Control::Edit2, line);
    expected += line;
  }
  EXPECT_EQ(window_.ControlText(Control::Edit2), expected);  // beyond the default 30000
  EXPECT_GT(SendMessageW(Box(Control::Edit2), EM_GETFIRSTVISIBLELINE, 0, 0), 2900);

  window_.SetControlText(Control::Edit1, "\xca\xfd\xbe\xdd");  // 数据
  EXPECT_EQ(window_.ControlText(Control::Edit1), "\xca\xfd\xbe\xdd");
}

TEST_F(Win32MainWindowTest, ButtonsRunTheirHandlers) {
  int tcp = 0;
  int udp = 0;
  window_.SetClickHandler(Control::ButtonTcp, [&] { ++tcp; });
  window_.SetClickHandler(Control::ButtonUdp, [&] { ++udp; });
  SendMessageW(Box(Control::ButtonTcp), BM_CLICK, 0, 0);
  SendMessageW(Box(Control::ButtonTcp), BM_CLICK, 0, 0);
  SendMessageW(Box(Control::ButtonUdp), BM_CLICK, 0, 0);
  EXPECT_EQ(tcp, 2);
  EXPECT_EQ(udp, 1);
}

TEST_F(Win32MainWindowTest, ShowMessageOpensATaskModalBoxWithoutOwner) {
  std::atomic<bool> found{false};
  std::wstring title;
  std::wstring text;
  HWND owner = reinterpret_cast<HWND>(1);
  std::thread closer([&] {
    const std::wstring wantedTitle = WideOf(Text(kMessageTitle));
    for (int tries = 0; tries < 200; ++tries) {
      if (HWND box = FindWindowW(L"#32770", wantedTitle.c_str())) {
        wchar_t buffer[128] = {};
        GetWindowTextW(box, buffer, 128);
        title = buffer;
        GetDlgItemTextW(box, 0xFFFF, buffer, 128);  // the message text of a message box
        text = buffer;
        owner = GetWindow(box, GW_OWNER);
        found = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(50);
    }
  });
  window_.Show();
  window_.ShowMessage("27500 \xb6\xcb\xbf\xda\xbf\xc9\xd3\xc3");  // 27500 端口可用
  closer.join();
  ASSERT_TRUE(found);
  EXPECT_EQ(title, L"\x4FE1\x606F\xFF1A");
  EXPECT_EQ(text, L"27500 \x7AEF\x53E3\x53EF\x7528");
  EXPECT_EQ(owner, nullptr);
}

TEST_F(Win32MainWindowTest, PendingEventsRunAndAQuitRequestIsKept) {
  int clicks = 0;
  window_.SetClickHandler(Control::ButtonUdp, [&] { ++clicks; });
  PostMessageW(window_.Handle(), WM_COMMAND, MAKEWPARAM(kFirstControlId + 5, BN_CLICKED),
               reinterpret_cast<LPARAM>(Box(Control::ButtonUdp)));
  window_.ProcessPendingEvents();
  EXPECT_EQ(clicks, 1);

  PostQuitMessage(7);
  window_.ProcessPendingEvents();
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST_F(Win32MainWindowTest, ClosingTheWindowEndsTheMessageLoop) {
  window_.Show();
  SendMessageW(window_.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window_.Handle(), nullptr);
  MSG message;
  bool quit = false;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    quit = quit || message.message == WM_QUIT;
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace quarvel
