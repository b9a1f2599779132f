// Run under a German locale: the program must read the limit and write every
// file as it does under the "C" locale, whatever locale Qt takes from the
// environment.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <clocale>
#include <cstdio>

#include "ui/dialog_template.h"
#include "ui/quarvelin_dlg.h"
#include "ui_test_support.h"

namespace quarvelin {
namespace {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

std::string LocaleOf(int category) {
  const char* name = std::setlocale(category, nullptr);
  return name ? name : "";
}

// Puts numbers under the comma locale for the life of the object, as if
// nothing had set them back to "C".
class CommaNumbers {
 public:
  CommaNumbers() : previous_(LocaleOf(LC_NUMERIC)) {
    active_ = std::setlocale(LC_NUMERIC, kCommaLocale) != nullptr;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    active_ = active_ && std::string(text) == "0,5";
  }
  ~CommaNumbers() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string previous_;
  bool active_ = false;
};

TEST(Locale, StartUpTakesTheEnvironmentButKeepsNumbersInC) {
  if (LocaleOf(LC_MONETARY) != kCommaLocale) GTEST_SKIP() << "the comma-decimal locale is not available";
  EXPECT_EQ(LocaleOf(LC_NUMERIC), "C");
}

// Every file of the two projects' PMAP folders; TIN.inf without its time and
// speed lines, which depend on the clock.
std::map<std::string, std::string> Outputs(const uitest::TempProject& project) {
  auto files = project.PmapFiles();
  std::string& info = files["TIN.inf"];
  size_t end = info.find("\r\n");
  end = end == std::string::npos ? end : info.find("\r\n", end + 2);
  info = info.substr(0, end);
  return files;
}

TEST(Locale, BuildFromTheDialogMatchesTheConsoleBuildInC) {
  CommaNumbers comma;
  if (!comma.active()) GTEST_SKIP() << "the comma-decimal locale is not available";

  uitest::TempProject dialogProject(400, 7);
  CQuarvelinDlg dialog(dialogProject.install);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  // Read as atof reads it in the "C" locale: the comma ends the number.
  Control<QLineEdit>(dialog, 1005)->setText(QStringLiteral("150,5"));
  EXPECT_EQ(dialog.CurrentOptions().maxBoundaryEdge, 150);
  QTest::mouseClick(Control<QCheckBox>(dialog, 1011), Qt::LeftButton);
  QStringList messages;
  uitest::ModalWatcher watcher([&](QWidget& modal) {
    if (qobject_cast<QMessageBox*>(&modal)) messages << uitest::MessageText(modal);
    uitest::PressKey(modal, Qt::Key_Escape);
  });
  QTest::mouseClick(Control<QPushButton>(dialog, 1000), Qt::LeftButton);
  EXPECT_EQ(watcher.seen(), 1);  // the summary alone
  EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

  uitest::TempProject consoleProject(400, 7);
  QProcess console;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
  console.setProcessEnvironment(environment);
  console.start(uitest::BuildDirectory() + QStringLiteral("/quarvelin-cli"),
                {QStringLiteral("--install-dir"), QString::fromStdString(consoleProject.install),
                 QStringLiteral("--max-edge"), QStringLiteral("150"), QStringLiteral("--sjw"), QStringLiteral("--quiet")});
  ASSERT_TRUE(console.waitForFinished(120000));
  EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();

  const auto fromDialog = Outputs(dialogProject);
  const auto fromConsole = Outputs(consoleProject);
  EXPECT_TRUE(fromDialog.count("TIN.sjw") && fromDialog.count("Edge.inf") && fromDialog.count("Grid.idx"));
  ASSERT_EQ(fromDialog.size(), fromConsole.size());
  for (const auto& [name, bytes] : fromDialog) EXPECT_TRUE(bytes == fromConsole.at(name)) << name;
}

}  // namespace
}  // namespace quarvelin
