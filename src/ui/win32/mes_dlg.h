// The summary of a completed build: points, triangles, time and speed, shown
// in read-only edits until the user closes the box.
#pragma once

#include <string>

#include "ui/win32/dialog_base.h"

namespace quarvelin::win32 {

class MesDlg : public DialogBase {
 public:
  MesDlg();

  int m_totalPoints = 0;
  int m_triangleCount = 0;
  std::string m_buildTime;
  std::string m_buildSpeed;

 protected:
  bool OnInitDialog() override;
};

// The dialog that runs modally while the parameter dialog waits.
class CAboutDlg : public DialogBase {
 public:
  CAboutDlg();
};

}  // namespace quarvelin::win32
