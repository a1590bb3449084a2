#include "app/query/query_command.h"

#include <cstdio>
#include <ostream>

#include "app/failure_text.h"
#include "app/port_check.h"
#include "app/port_list_view.h"
#include "app/query/console_window.h"
#include "app/query/terminal_text.h"
#include "app/server_info_view.h"
#include "app/startup.h"
#include "app/window_layout.h"

namespace quarvel {

namespace {

constexpr const char* kUsage =
    "usage: quarvel-query [tcp PORT | udp PORT]\n"
    "\n"
    "Asks the frps dashboard this build was configured for (https://%s:%d) what the\n"
    "Quarvel window shows.\n"
    "\n"
    "  quarvel-query            prints the server settings and the TCP and UDP remote ports\n"
    "                           in use; exit status 0, or 2 when a reply could not be read\n"
    "  quarvel-query tcp PORT   tells whether PORT occurs in the TCP list, as the window's\n"
    "  quarvel-query udp PORT   TCP and UDP buttons do; exit status 0 when it is free, 1 when\n"
    "                           it is taken, 2 for input the window refuses (fewer than 5 or\n"
    "                           more than 6 bytes) or when the list could not be fetched\n"
    "  quarvel-query --help     prints this text\n";

void PrintUsage(std::ostream& stream, const DashboardProfile& profile) {
  char text[1024];
  std::snprintf(text, sizeof text, kUsage, profile.host.c_str(), profile.port);
  stream << text;
}

// A start-up view that succeeded has written its box: a list box holds at least its heading.
bool ListFetched(ConsoleWindow& window, Control box) {
  return !window.ControlText(box).empty();
}

void PrintBox(std::ostream& out, ConsoleWindow& window, Control box, bool& first) {
  std::string text = TerminalText(window.ControlText(box));
  if (text.empty()) return;
  if (!first) out << '\n';
  if (text.back() != '\n') text += '\n';
  out << text;
  first = false;
}

int ShowViews(const DashboardProfile& profile, std::ostream& out) {
  ConsoleWindow window([&out](const Text& text) { out << TerminalText(text) << '\n'; });
  OnMainWindowCreated(window, profile);
  bool first = true;
  for (Control box : {Control::Edit1, Control::Edit2, Control::Edit3}) {
    PrintBox(out, window, box, first);
  }
  const bool complete = ListFetched(window, Control::Edit2) &&
                        ListFetched(window, Control::Edit3) &&
                        window.ControlText(Control::Edit1) != FailureText;
  return complete ? 0 : kExitFailed;
}

int CheckPort(bool tcp, const std::string& port, const DashboardProfile& profile, std::ostream& out,
              std::ostream& err) {
  const Text typed = TextFromTerminal(port);
  if (typed.size() > static_cast<size_t>(kInputLimitBytes)) {
    err << "quarvel-query: PORT takes at most " << kInputLimitBytes << " bytes\n";
    return kExitFailed;
  }
  ConsoleWindow window([&out](const Text& text) { out << TerminalText(text) << '\n'; });
  const Control box = tcp ? Control::Edit2 : Control::Edit3;
  window.SetControlText(Control::Edit4, typed);
  // Input the check refuses needs no list; anything else does.
  if (typed.size() >= kShortestPortInput) {
    tcp ? FetchTcpPorts(window, profile) : FetchUdpPorts(window, profile);
    if (!ListFetched(window, box)) {
      out << TerminalText(Text(FailureText)) << '\n';
      return kExitFailed;
    }
  }
  switch (CheckPortIn(window, box)) {
    case PortAnswer::Free:
      return kExitPortFree;
    case PortAnswer::Taken:
      return kExitPortTaken;
    case PortAnswer::InputError:
      break;
  }
  return kExitFailed;
}

}  // namespace

int RunQuery(const std::vector<std::string>& args, const DashboardProfile& profile,
             std::ostream& out, std::ostream& err) {
  if (args.empty()) return ShowViews(profile, out);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    PrintUsage(out, profile);
    return 0;
  }
  if (args.size() == 2 && (args[0] == "tcp" || args[0] == "udp")) {
    return CheckPort(args[0] == "tcp", args[1], profile, out, err);
  }
  PrintUsage(err, profile);
  return kExitFailed;
}

}  // namespace quarvel
