// The application object: finds the folder the program was started from,
// where the host writes workdir, and runs the parameter dialog. When the
// dialog closes, the program ends.
#pragma once

#include <QApplication>
#include <string>

namespace quarvelin {

// The running executable's folder, found once at start-up.
extern std::string InstallDirectory;

class CQuarvelinApp : public QApplication {
  Q_OBJECT

 public:
  // Qt sets the process locale from the environment here; numbers are then
  // put back to the "C" rules, so that no part of the program reads or
  // writes a decimal comma.
  CQuarvelinApp(int& argc, char** argv);

  // Runs the dialog modally. Returns false: the program ends with the
  // dialog, without an event loop of its own.
  bool InitInstance();
};

}  // namespace quarvelin
