#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ui/dialog_template.h"

namespace quarvelin::uitest {

QString BuildDirectory() {
  const QString fromEnvironment = qEnvironmentVariable("QUARVELIN_BUILD_DIR");
  return fromEnvironment.isEmpty() ? QStringLiteral(QUARVELIN_BINARY_DIR) : fromEnvironment;
}

QString SaveScreenshot(QWidget& widget, const QString& name) {
  const QString folder = BuildDirectory() + QStringLiteral("/screenshots");
  QDir().mkpath(folder);
  const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
  EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
  return path;
}

ModalWatcher::ModalWatcher(std::function<void(QWidget&)> handle) : handle_(std::move(handle)) {
  timer_.setInterval(5);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start();
}

void ModalWatcher::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == last_ || !modal->isVisible()) return;
  last_ = modal;
  ++seen_;
  handle_(*modal);
}

bool PaintCounter::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Paint) ++paints;
  return false;
}

void PressKey(QWidget& dialog, int key) {
  QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
  QTest::keyClick(target, static_cast<Qt::Key>(key));
}

QString MessageText(QWidget& dialog) {
  auto* box = qobject_cast<QMessageBox*>(&dialog);
  return box ? box->text() : QString();
}

QString FieldText(QWidget& dialog, int id) {
  auto* edit = Control<QLineEdit>(dialog, id);
  return edit ? edit->text() : QString();
}

std::vector<std::string> ClippedTexts(const QWidget& dialog) {
  std::vector<std::string> clipped;
  for (QWidget* control : dialog.findChildren<QWidget*>()) {
    if (!control->isVisibleTo(&dialog) || control->parentWidget() == nullptr) continue;
    QString text;
    int needed = 0;
    if (auto* label = qobject_cast<QLabel*>(control); label && label->pixmap().isNull()) {
      text = label->text();
      needed = label->fontMetrics().horizontalAdvance(text);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
      // The style's preferred width of a push button exceeds what its text
      // needs; the text and the margins are what must fit.
      text = button->text();
      needed = button->fontMetrics().horizontalAdvance(text) + 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin);
    } else if (auto* box = qobject_cast<QAbstractButton*>(control)) {
      text = box->text();
      needed = box->sizeHint().width();
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      text = edit->text();
      // The edit's own margins and frame, as its size hint counts them for
      // an empty text.
      needed = edit->fontMetrics().horizontalAdvance(text) + edit->minimumSizeHint().width();
    } else {
      continue;
    }
    const bool outside = !control->parentWidget()->rect().contains(control->geometry());
    const bool tooNarrow = !text.isEmpty() && needed > control->width();
    const bool tooLow = control->fontMetrics().height() > control->height();
    if (outside || tooNarrow || tooLow) clipped.push_back(control->objectName().toStdString() + " \"" + text.toStdString() + "\"");
  }
  return clipped;
}

TempProject::TempProject(int surveyPoints, unsigned seed, const ProjectLines& lines) {
  install = dir_.filePath(QStringLiteral("install")).toStdString();
  project = dir_.filePath(QStringLiteral("site one")).toStdString();
  ProjectWriter writer;
  std::string error;
  EXPECT_TRUE(writer.Begin(project, !lines.breaklines.empty(), error)) << error;
  // A fixed linear congruential sequence: the same survey on every machine.
  uint32_t state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  };
  for (int i = 0; i < surveyPoints; ++i) {
    const double x = 5000 + 800 * next();
    const double y = 3000 + 600 * next();
    writer.Add({x, y, 40 + 0.01 * x - 0.02 * y + 3 * next()});
  }
  ProjectReport report;
  EXPECT_TRUE(writer.Finish(lines, -1, report, error)) << error;
  EXPECT_TRUE(WriteWorkdir(install, project, error)) << error;
}

std::string TempProject::PmapFile(const std::string& name) const { return project + "/PMAP/" + name; }

std::map<std::string, std::string> TempProject::PmapFiles() const {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(project + "/PMAP")) {
    files[entry.path().filename().string()] = ReadFileBytes(entry.path().string());
  }
  return files;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace quarvelin::uitest
