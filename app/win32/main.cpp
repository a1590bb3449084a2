// The Windows program: creates the main window hidden, fills it, shows it and runs the
// message loop until the window is closed.
#include <windows.h>

#include "app/port_check.h"
#include "app/startup.h"
#include "app/win32/win32_main_window.h"
#include "http/pending_events.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  quarvel::Win32MainWindow window;
  if (!window.Create(instance)) return 1;

  quarvel::SetPendingEventsHook([&window] { window.ProcessPendingEvents(); });
  window.SetClickHandler(quarvel::Control::ButtonTcp,
                         [&window] { quarvel::OnTcpCheckClicked(window); });
  window.SetClickHandler(quarvel::Control::ButtonUdp,
                         [&window] { quarvel::OnUdpCheckClicked(window); });

  quarvel::OnMainWindowCreated(window);
  window.Show();

  MSG message;
  int exitCode = 0;
  while (true) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      exitCode = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) break;
    // Tab moves between the input box and the buttons.
    if (window.Handle() && IsDialogMessageW(window.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  quarvel::SetPendingEventsHook(nullptr);
  return exitCode;
}
