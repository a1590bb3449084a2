// The settings of the main window and its six controls, shared by every GUI backend.
#pragma once

#include <array>
#include <string_view>

#include "app/main_window.h"

namespace quarvel {

enum class ControlKind { MultiLineBox, InputBox, Button };

struct ControlLayout {
  Control control;
  ControlKind kind;
  std::string_view objectName;   // UTF-8, the control's name
  int left, top, width, height;  // in the window's client area
  std::string_view initialText;  // code page 936
};

struct WindowLayout {
  std::string_view caption;  // code page 936
  int outerWidth, outerHeight;  // frame and caption included
};

inline constexpr WindowLayout kMainWindowLayout{"Quarvel", 291, 432};

// The input box takes at most this many bytes of code page 936 text.
inline constexpr int kInputLimitBytes = 6;

inline constexpr std::string_view kMessageTitle = "\xd0\xc5\xcf\xa2\xa3\xba";  // 信息：

inline constexpr std::array<ControlLayout, 6> kControlLayouts{{
    {Control::Edit1, ControlKind::MultiLineBox, "编辑框1", 11, 10, 261, 126, ""},
    {Control::Edit2, ControlKind::MultiLineBox, "编辑框2", 11, 144, 125, 216, ""},
    {Control::Edit3, ControlKind::MultiLineBox, "编辑框3", 144, 144, 125, 216, ""},
    {Control::Edit4, ControlKind::InputBox, "编辑框4", 18, 368, 76, 32, ""},
    {Control::ButtonTcp, ControlKind::Button, "按钮_TCP", 107, 369, 56, 32,
     "TCP\xb2\xe9\xd1\xaf"},  // TCP查询
    {Control::ButtonUdp, ControlKind::Button, "按钮_UDP", 183, 368, 56, 32,
     "UDP\xb2\xe9\xd1\xaf"},  // UDP查询
}};

constexpr const ControlLayout& LayoutOf(Control control) {
  return kControlLayouts[static_cast<size_t>(control)];
}

}  // namespace quarvel
