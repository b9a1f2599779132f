// The parameter dialog: the longest boundary edge, the two options and Start.
// It is also the build's ProgressReporter, carrying each report to one of its
// controls while the build holds its thread.
#pragma once

#include <string>

#include "build_run/build_run.h"
#include "ui/win32/dialog_base.h"
#include "ui/win32/text_progress_ctrl.h"

namespace quarvelin::win32 {

class CQuarvelinDlg : public DialogBase, public ProgressReporter {
 public:
  explicit CQuarvelinDlg(std::string installDirectory);

  void SetStatus(const std::string& text) override;
  void SetCaptions(const std::string& totalCaption, const std::string& doneCaption) override;
  void SetTotal(int32_t total) override;
  void SetDone(int32_t done) override;
  void ResetBar() override;
  void SetBarPos(int32_t position) override;
  void SetBarText(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ShowSummary(const BuildSummary& summary) override;

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void OnStartBuild();
  void AddAboutEntry() const;
  void PaintMinimised() const;

  std::string m_installDirectory;
  CTextProgressCtrl m_progress;
  int m_contoursAsFeatureLines = 0;
  int m_writeSjwFile = 0;
  HICON m_hIcon;
};

}  // namespace quarvelin::win32
