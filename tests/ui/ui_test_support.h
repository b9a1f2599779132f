// Helpers of the desktop program's tests: projects written as the host
// writes them, modal dialogs answered from the test while the code under
// test waits in them, and screenshots into the build folder.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QPointer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "project_writer.h"

class QWidget;

namespace quarvelin::uitest {

// The build folder, where the programs and the screenshots are.
QString BuildDirectory();

// Saves the widget's image as screenshots/<name>.png in the build folder and
// returns the path.
QString SaveScreenshot(QWidget& widget, const QString& name);

// Calls `handle` once with each modal dialog that opens while it lives; the
// handler must close it. Polling the active modal widget works whichever
// nested event loop the dialog runs.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget&)> handle);
  ModalWatcher(const ModalWatcher&) = delete;
  ModalWatcher& operator=(const ModalWatcher&) = delete;
  int seen() const { return seen_; }

 private:
  void Poll();
  std::function<void(QWidget&)> handle_;
  QTimer timer_;
  QPointer<QWidget> last_;
  int seen_ = 0;
};

// Counts the paint events of the widgets it is installed on.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Presses the key on the widget that has the focus in `dialog`.
void PressKey(QWidget& dialog, int key);

// The texts of a modal dialog: a message box's text, or the read-only fields
// of a dialog by their identifiers.
QString MessageText(QWidget& dialog);
QString FieldText(QWidget& dialog, int id);

// The texts of the dialog's controls that do not fit in them or whose
// control reaches outside its parent: empty when nothing is clipped.
std::vector<std::string> ClippedTexts(const QWidget& dialog);

// A survey of `surveyPoints` scattered points, with `lines` as its breakline
// and contour files, written as the host writes a project, in a temporary
// folder: `install` holds the workdir that names `project`.
class TempProject {
 public:
  explicit TempProject(int surveyPoints, unsigned seed = 1, const ProjectLines& lines = {});
  std::string PmapFile(const std::string& name) const;
  // Every file of the PMAP folder, by name, with its bytes.
  std::map<std::string, std::string> PmapFiles() const;

  std::string install;
  std::string project;

 private:
  QTemporaryDir dir_;
};

std::string ReadFileBytes(const std::string& path);

}  // namespace quarvelin::uitest
