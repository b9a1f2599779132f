#include "ui/quarvelin_app.h"

#include <clocale>

#include "platform/system.h"
#include "ui/quarvelin_dlg.h"

namespace quarvelin {

std::string InstallDirectory;

CQuarvelinApp::CQuarvelinApp(int& argc, char** argv) : QApplication(argc, argv) {
  std::setlocale(LC_NUMERIC, "C");
  setApplicationName(QStringLiteral("Quarvelin"));
}

bool CQuarvelinApp::InitInstance() {
  InstallDirectory = ExecutableDirectory();
  CQuarvelinDlg dialog(InstallDirectory);
  dialog.exec();
  return false;
}

}  // namespace quarvelin
