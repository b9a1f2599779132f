// The summary dialog: its labels and read-only fields, and that neither OK
// nor Escape changes the figures that the build records afterwards.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <set>

#include "ui/dialog_template.h"
#include "ui/mes_dlg.h"
#include "ui/quarvelin_dlg.h"
#include "ui_test_support.h"

namespace quarvelin {
namespace {

using uitest::FieldText;
using uitest::ModalWatcher;

struct Shown {
  QString title;
  QString fields[4];
  std::vector<std::string> clipped;
};

// Runs `dialog` modally, reads what it shows and leaves it with `key`.
Shown RunAndLeave(MesDlg& dialog, int key) {
  Shown shown;
  ModalWatcher watcher([&](QWidget& modal) {
    shown.title = modal.windowTitle();
    for (int i = 0; i < 4; ++i) shown.fields[i] = FieldText(modal, 1003 + i);
    shown.clipped = uitest::ClippedTexts(modal);
    uitest::PressKey(modal, key);
  });
  dialog.exec();
  EXPECT_EQ(watcher.seen(), 1);
  return shown;
}

MesDlg& Filled(MesDlg& dialog) {
  dialog.m_totalPoints = 1234567;
  dialog.m_triangleCount = 2469130;
  dialog.m_buildTime = QString::fromStdString(FormatBuildTime(3725));
  dialog.m_buildSpeed = QString::fromStdString(FormatBuildSpeed(2469130, 3725));
  return dialog;
}

TEST(MesDlg, TemplateLabelsAndReadOnlyFields) {
  MesDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("信息提示"));
  std::set<QString> labels;
  for (QLabel* label : dialog.findChildren<QLabel*>()) labels.insert(label->text());
  // Quoted as the system has them: a space in the third, a plain colon in
  // the fourth.
  EXPECT_EQ(labels, (std::set<QString>{QString::fromUtf8("总点数："), QString::fromUtf8("三角形数："),
                                       QString::fromUtf8("建网耗 时："), QString::fromUtf8("建网速度:")}));
  for (int id = 1003; id <= 1006; ++id) {
    auto* edit = Control<QLineEdit>(dialog, id);
    ASSERT_NE(edit, nullptr) << id;
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_FALSE(edit->hasFrame());
    EXPECT_EQ(edit->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
  }
  auto* ok = Control<QPushButton>(dialog, 1);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), QStringLiteral("OK"));
  EXPECT_TRUE(ok->isDefault());
  EXPECT_EQ(dialog.m_totalPoints, 0);
  EXPECT_EQ(dialog.m_triangleCount, 0);
  EXPECT_TRUE(dialog.m_buildTime.isEmpty());
  EXPECT_TRUE(dialog.m_buildSpeed.isEmpty());
}

TEST(MesDlg, ShowsTheFiguresAndEscapeKeepsThem) {
  MesDlg dialog;
  const Shown shown = RunAndLeave(Filled(dialog), Qt::Key_Escape);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(shown.fields[0], QStringLiteral("1234567"));
  EXPECT_EQ(shown.fields[1], QStringLiteral("2469130"));
  EXPECT_EQ(shown.fields[2], QString::fromUtf8("01小时02分05秒"));
  EXPECT_EQ(shown.fields[3], QString::fromUtf8("663个三角形  / 秒"));
  EXPECT_TRUE(shown.clipped.empty()) << shown.clipped.front();
  EXPECT_EQ(dialog.m_totalPoints, 1234567);
  EXPECT_EQ(dialog.m_triangleCount, 2469130);
  EXPECT_EQ(dialog.m_buildTime, QString::fromUtf8("01小时02分05秒"));
}

TEST(MesDlg, OkReadsTheSameFiguresBack) {
  MesDlg dialog;
  RunAndLeave(Filled(dialog), Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.m_totalPoints, 1234567);
  EXPECT_EQ(dialog.m_triangleCount, 2469130);
  EXPECT_EQ(dialog.m_buildTime, QString::fromUtf8("01小时02分05秒"));
  EXPECT_EQ(dialog.m_buildSpeed, QString::fromUtf8("663个三角形  / 秒"));
}

TEST(MesDlg, ShowSummaryOfTheDialogFillsTheFields) {
  CQuarvelinDlg parameters("");
  BuildSummary summary;
  summary.points = 0;  // the four frame corners alone
  summary.triangles = 2;
  summary.timeText = FormatBuildTime(3725);
  summary.speedText = FormatBuildSpeed(2, 3725);
  Shown shown;
  ModalWatcher watcher([&](QWidget& modal) {
    shown.title = modal.windowTitle();
    for (int i = 0; i < 4; ++i) shown.fields[i] = FieldText(modal, 1003 + i);
    uitest::SaveScreenshot(modal, QStringLiteral("summary"));
    uitest::PressKey(modal, Qt::Key_Escape);
  });
  parameters.ShowSummary(summary);
  EXPECT_EQ(shown.title, QString::fromUtf8("信息提示"));
  EXPECT_EQ(shown.fields[0], QStringLiteral("0"));
  EXPECT_EQ(shown.fields[1], QStringLiteral("2"));
  EXPECT_EQ(shown.fields[2], QString::fromUtf8("01小时02分05秒"));
  EXPECT_EQ(shown.fields[3], QString::fromUtf8("1个三角形  / 秒"));
}

}  // namespace
}  // namespace quarvelin
