// The program's one dialog: the longest boundary edge, the two options and
// Start. The build runs inside the Start handler on the dialog's thread and
// reports into the dialog's status line, counters and bar; when it returns,
// Done takes Start's place, so one start of the program makes one build.
#pragma once

#include <QDialog>
#include <QIcon>
#include <string>

#include "build_run/build_run.h"

class QLineEdit;
class QPushButton;

namespace quarvelin {

class CTextProgressCtrl;

// The About entry's command, kept as its menu action's name.
constexpr int IDM_ABOUTBOX = 0x10;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

class CQuarvelinDlg : public QDialog, public ProgressReporter {
  Q_OBJECT

 public:
  // `installDirectory` holds the workdir file that names the project.
  explicit CQuarvelinDlg(std::string installDirectory, QWidget* parent = nullptr);

  // The settings the build would get now: the limit from the edit box's text
  // and the two check boxes' flags.
  BuildOptions CurrentOptions() const;

  void OnStartBuild();
  void OnAboutBox();

  void SetStatus(const std::string& text) override;
  void SetCaptions(const std::string& totalCaption, const std::string& doneCaption) override;
  void SetTotal(int32_t total) override;
  void SetDone(int32_t done) override;
  void ResetBar() override;
  void SetBarPos(int32_t position) override;
  void SetBarText(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void ShowSummary(const BuildSummary& summary) override;

 private:
  void DoDataExchange();
  void OnInitDialog();
  void SetControlText(int id, const QString& text);

  QPushButton* m_startButton = nullptr;
  QPushButton* m_doneButton = nullptr;
  QLineEdit* m_maxEdgeEdit = nullptr;
  CTextProgressCtrl* m_progress = nullptr;
  int m_contoursAsFeatureLines = 0;
  int m_writeSjwFile = 0;
  QIcon m_hIcon;
  std::string m_installDirectory;
};

}  // namespace quarvelin
