// QUARVELIN.EXE: the host starts it beside a `workdir` file; it shows the
// parameter dialog, runs at most one build from it and ends when it closes.
#include <windows.h>
#include <commctrl.h>

#include "platform/system.h"
#include "ui/win32/quarvelin_dlg.h"

namespace quarvelin::win32 {

class CQuarvelinApp {
 public:
  // Returns false: the program ends when the dialog closes, with no message
  // loop of its own.
  bool InitInstance();
};

bool CQuarvelinApp::InitInstance() {
  // The executable's own folder, whatever the program is called, so a renamed
  // or lower-case copy still finds its workdir.
  const std::string installDirectory = ExecutableDirectory();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  CQuarvelinDlg dialog(installDirectory);
  dialog.DoModal(nullptr);
  return false;
}

CQuarvelinApp theApp;

}  // namespace quarvelin::win32

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  quarvelin::win32::theApp.InitInstance();
  return 0;
}
