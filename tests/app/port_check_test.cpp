#include "app/port_check.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace quarvel {
namespace {

// Controls as plain texts; every message shown is recorded.
class FakeWindow : public MainWindow {
 public:
  Text ControlText(Control control) override { return texts[control]; }
  void SetControlText(Control control, const Text& text) override { texts[control] = text; }
  void AppendControlText(Control control, const Text& text) override { texts[control] += text; }
  void ShowMessage(const Text& text) override { messages.push_back(text); }
  void ProcessPendingEvents() override {}

  std::map<Control, Text> texts;
  std::vector<Text> messages;
};

const Text kInputError =
    "\xca\xe4\xc8\xeb\xd3\xd0\xce\xf3,"
    "\xc7\xeb\xd6\xd8\xd0\xc2\xca\xe4\xc8\xeb";                   // 输入有误,请重新输入
const Text kTaken = " \xb6\xcb\xbf\xda\xd2\xd1\xd5\xbc\xd3\xc3";  //  端口已占用
const Text kFree = " \xb6\xcb\xbf\xda\xbf\xc9\xd3\xc3";           //  端口可用
const Text kTcpList =
    "TCP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n"  // TCP在用端口
    "27500\r\n"
    "127001\r\n";
const Text kUdpList =
    "UDP\xd4\xda\xd3\xc3\xb6\xcb\xbf\xda\r\n"  // UDP在用端口
    "30000\r\n";

TEST(PortCheck, AnswersFromTheListOfItsOwnProtocol) {
  struct Case {
    Text typed;
    void (*handler)(MainWindow&);
    Text expected;
  } cases[] = {
      {"", OnTcpCheckClicked, kInputError},
      {"8080", OnTcpCheckClicked, kInputError},
      {"443", OnUdpCheckClicked, kInputError},
      {"\xb6\xcb\xbf\xda", OnTcpCheckClicked, kInputError},  // 端口: four bytes
      {Text("1234\0"
            "56",
            7),
       OnTcpCheckClicked, kInputError},  // ends at the NUL
      {"27500", OnTcpCheckClicked, "27500" + kTaken},
      {"27500", OnUdpCheckClicked, "27500" + kFree},
      {"30000", OnUdpCheckClicked, "30000" + kTaken},
      {"30000", OnTcpCheckClicked, "30000" + kFree},
      {"-1234", OnTcpCheckClicked, "-1234" + kFree},
      {"99999", OnUdpCheckClicked, "99999" + kFree},
      // A plain substring test: a port inside a longer number counts as taken.
      {"27001", OnTcpCheckClicked, "27001" + kTaken},
      // The heading is searched as well.
      {"TCP\xd4\xda", OnTcpCheckClicked, "TCP\xd4\xda" + kTaken},  // TCP在
      {"UDP\xd4\xda", OnTcpCheckClicked, "UDP\xd4\xda" + kFree},   // UDP在
  };
  for (const Case& c : cases) {
    FakeWindow window;
    window.texts[Control::Edit2] = kTcpList;
    window.texts[Control::Edit3] = kUdpList;
    window.texts[Control::Edit4] = c.typed;
    c.handler(window);
    ASSERT_EQ(window.messages.size(), 1u) << c.typed;
    EXPECT_EQ(window.messages[0], c.expected) << c.typed;
    EXPECT_EQ(window.texts[Control::Edit4], c.typed) << "the input box is left as it was";
  }
}

TEST(PortCheck, EmptyListReportsEveryLongEnoughInputAsFree) {
  FakeWindow window;
  window.texts[Control::Edit4] = "27500";
  OnTcpCheckClicked(window);
  OnUdpCheckClicked(window);
  EXPECT_EQ(window.messages, (std::vector<Text>{"27500" + kFree, "27500" + kFree}));
}

}  // namespace
}  // namespace quarvel
