// The parameter dialog: its template, its initial state, the inputs as the
// build receives them, the about box, and whole builds started with Start,
// one that completes and ones that end after a message.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "platform/system.h"
#include "ui/dialog_template.h"
#include "ui/mes_dlg.h"
#include "ui/quarvelin_dlg.h"
#include "ui/text_progress_ctrl.h"
#include "ui_test_support.h"

namespace quarvelin {
namespace {

using uitest::ModalWatcher;

QString Text(const QWidget& dialog, int id) {
  QWidget* control = Control<QWidget>(dialog, id);
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  return QStringLiteral("<missing %1>").arg(id);
}

bool Shown(const QWidget& dialog, int id) { return Control<QWidget>(dialog, id)->isVisibleTo(&dialog); }

// What a build showed in its modal dialogs.
struct Modals {
  QStringList messages;
  QStringList summary;  // the four fields, when the summary was shown
  int barPaints = -1;     // paints of the bar and of the status line before
  int statusPaints = -1;  // the summary opened, when it did
};

// Presses Start and answers every modal dialog the build opens: message
// boxes with OK, the summary with Escape.
Modals PressStart(CQuarvelinDlg& dialog) {
  Modals modals;
  uitest::PaintCounter bar, status;
  Control<QWidget>(dialog, 1001)->installEventFilter(&bar);
  Control<QWidget>(dialog, 1007)->installEventFilter(&status);
  ModalWatcher watcher([&](QWidget& modal) {
    if (qobject_cast<QMessageBox*>(&modal)) {
      modals.messages << uitest::MessageText(modal);
      qobject_cast<QMessageBox*>(&modal)->button(QMessageBox::Ok)->click();
      return;
    }
    modals.barPaints = bar.paints;
    modals.statusPaints = status.paints;
    for (int id = 1003; id <= 1006; ++id) modals.summary << uitest::FieldText(modal, id);
    uitest::SaveScreenshot(modal, QStringLiteral("summary_after_build"));
    uitest::PressKey(modal, Qt::Key_Escape);
  });
  QTest::mouseClick(Control<QPushButton>(dialog, 1000), Qt::LeftButton);
  return modals;
}

class QuarvelinDlgTest : public ::testing::Test {
 protected:
  void Show(CQuarvelinDlg& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }
};

TEST_F(QuarvelinDlgTest, TemplateControlsWithTheirTexts) {
  CQuarvelinDlg dialog("");
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("数模控制参数"));
  struct Expected {
    int id;
    const char* text;
  };
  for (const Expected& e : {Expected{1, "完成"}, Expected{2, "取消"}, Expected{1000, "开始"},
                            Expected{1011, "生成南方测绘三角网文件"}, Expected{1008, ""}, Expected{1005, "200"},
                            Expected{1007, ""}, Expected{1009, ""}, Expected{1010, ""}, Expected{1006, ""},
                            Expected{1002, ""}}) {
    EXPECT_EQ(Text(dialog, e.id), QString::fromUtf8(e.text)) << e.id;
  }
  QStringList fixedLabels;
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (label->objectName().isEmpty()) fixedLabels << label->text();
  }
  fixedLabels.sort();
  QStringList expectedLabels{QString::fromUtf8("边界三角形最大边长："), QString::fromUtf8("米"),
                             QString::fromUtf8("等高线为地性线")};
  expectedLabels.sort();
  EXPECT_EQ(fixedLabels, expectedLabels);
  EXPECT_NE(Control<CTextProgressCtrl>(dialog, 1001), nullptr);
  EXPECT_TRUE(Control<QPushButton>(dialog, 1)->isDefault());
}

TEST_F(QuarvelinDlgTest, LaidOutInDialogUnitsOfTheSongFont) {
  CQuarvelinDlg dialog("");
  Show(dialog);
  const DialogUnits units(dialog.font());
  // AR PL UMing at 9 points: the 6 by 12 pixel cell of the font it stands in for.
  ASSERT_EQ(units.baseX, 6);
  ASSERT_EQ(units.baseY, 12);
  QWidget* bar = Control<QWidget>(dialog, 1001);
  EXPECT_EQ(bar->parentWidget()->size(), QSize(504, 167));
  EXPECT_EQ(bar->geometry(), QRect(23, 72, 459, 21));
  EXPECT_EQ(Control<QWidget>(dialog, 1005)->geometry(), QRect(159, 20, 65, 21));
  EXPECT_EQ(Control<QWidget>(dialog, 1000)->geometry(), QRect(143, 125, 75, 21));
  EXPECT_EQ(Control<QWidget>(dialog, 1)->geometry(), Control<QWidget>(dialog, 1000)->geometry());
  const std::vector<std::string> clipped = uitest::ClippedTexts(dialog);
  EXPECT_EQ(clipped, std::vector<std::string>{});
  uitest::SaveScreenshot(dialog, QStringLiteral("dialog_before_build"));
}

TEST_F(QuarvelinDlgTest, ReadyWithTheEditFocusedAndStartShown) {
  CQuarvelinDlg dialog("");
  Show(dialog);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  EXPECT_EQ(QApplication::focusWidget(), Control<QWidget>(dialog, 1005));
  EXPECT_TRUE(Shown(dialog, 1000));
  EXPECT_FALSE(Shown(dialog, 1));
  EXPECT_FALSE(Control<QCheckBox>(dialog, 1008)->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(dialog, 1011)->isChecked());
  const BuildOptions options = dialog.CurrentOptions();
  EXPECT_EQ(options.maxBoundaryEdge, 200);
  EXPECT_FALSE(options.contoursAsFeatureLines);
  EXPECT_FALSE(options.writeSjwFile);
}

TEST_F(QuarvelinDlgTest, CheckBoxClicksFlipTheFlags) {
  CQuarvelinDlg dialog("");
  Show(dialog);
  QTest::mouseClick(Control<QCheckBox>(dialog, 1008), Qt::LeftButton);
  QTest::mouseClick(Control<QCheckBox>(dialog, 1011), Qt::LeftButton);
  EXPECT_TRUE(dialog.CurrentOptions().contoursAsFeatureLines);
  EXPECT_TRUE(dialog.CurrentOptions().writeSjwFile);
  QTest::mouseClick(Control<QCheckBox>(dialog, 1008), Qt::LeftButton);
  EXPECT_FALSE(dialog.CurrentOptions().contoursAsFeatureLines);
  EXPECT_TRUE(dialog.CurrentOptions().writeSjwFile);
  EXPECT_FALSE(Control<QCheckBox>(dialog, 1008)->isChecked());
}

TEST_F(QuarvelinDlgTest, LimitFromTheEditText) {
  CQuarvelinDlg dialog("");
  auto* edit = Control<QLineEdit>(dialog, 1005);
  struct Case {
    const char* text;
    double limit;
  };
  for (const Case& c : {Case{"", 100}, Case{"50", 100}, Case{"abc", 100}, Case{"150.5", 150.5}, Case{"300m", 300},
                        Case{" 1e3", 1000}}) {
    edit->setText(QString::fromUtf8(c.text));
    EXPECT_EQ(dialog.CurrentOptions().maxBoundaryEdge, c.limit) << c.text;
  }
}

TEST_F(QuarvelinDlgTest, AboutBoxFromTheMenu) {
  CQuarvelinDlg dialog("");
  Show(dialog);
  auto* about = dialog.findChild<QAction*>(ControlName(IDM_ABOUTBOX));
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->text(), QString::fromUtf8("关于 Quarvelin(&A)..."));
  QString title;
  QStringList texts;
  std::vector<std::string> clipped;
  ModalWatcher watcher([&](QWidget& modal) {
    title = modal.windowTitle();
    for (QLabel* label : modal.findChildren<QLabel*>()) texts << label->text();
    clipped = uitest::ClippedTexts(modal);
    uitest::SaveScreenshot(modal, QStringLiteral("about"));
    uitest::PressKey(modal, Qt::Key_Return);
  });
  about->trigger();
  EXPECT_EQ(watcher.seen(), 1);
  EXPECT_EQ(title, QString::fromUtf8("关于 Quarvelin"));
  EXPECT_TRUE(texts.contains(QString::fromUtf8("Quarvelin 1.0 版")));
  EXPECT_EQ(clipped, std::vector<std::string>{});
}

TEST_F(QuarvelinDlgTest, StartRunsOneBuildAndDoneTakesItsPlace) {
  uitest::TempProject project(300);
  CQuarvelinDlg dialog(project.install);
  Show(dialog);
  QTest::mouseClick(Control<QCheckBox>(dialog, 1011), Qt::LeftButton);
  const Modals modals = PressStart(dialog);

  EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join('\n').toStdString();
  ASSERT_EQ(modals.summary.size(), 4);
  EXPECT_EQ(modals.summary[0], QStringLiteral("300"));
  // No event loop ran until the summary: the bar painted itself once per
  // percent, the status line once per text.
  EXPECT_GE(modals.barPaints, 100);
  EXPECT_LE(modals.barPaints, 102);
  EXPECT_GE(modals.statusPaints, 4);
  EXPECT_FALSE(Shown(dialog, 1000));
  EXPECT_TRUE(Shown(dialog, 1));
  EXPECT_EQ(Text(dialog, 1007), QString::fromUtf8("已经成功构建TIN..."));
  EXPECT_EQ(Text(dialog, 1009), QString::fromUtf8("需处理的点数："));
  EXPECT_EQ(Text(dialog, 1010), QString::fromUtf8("完成点数："));
  EXPECT_EQ(Text(dialog, 1006), QStringLiteral("304"));
  EXPECT_EQ(Control<QWidget>(dialog, 1001)->windowTitle(), QStringLiteral("100%"));
  const std::vector<std::string> clipped = uitest::ClippedTexts(dialog);
  EXPECT_EQ(clipped, std::vector<std::string>{});
  uitest::SaveScreenshot(dialog, QStringLiteral("dialog_after_build"));

  // The summary was left with Escape; TIN.inf holds what it showed.
  const std::string info = uitest::ReadFileBytes(project.PmapFile("TIN.inf"));
  const std::string expected = "300  " + modals.summary[1].toStdString() + "\r\n0\r\n" +
                               ToGbk(modals.summary[2].toStdString()) + "\r\n" +
                               ToGbk(modals.summary[3].toStdString()) + "\r\n";
  EXPECT_EQ(info, expected);
  EXPECT_TRUE(std::filesystem::exists(project.PmapFile("TIN.sjw")));

  QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(QuarvelinDlgTest, ContourOptionReachesTheBuild) {
  ProjectLines lines;
  lines.contourFiles = {{{{5100, 3100, 45}, {5400, 3300, 45}, {5700, 3500, 45}}}};
  uitest::TempProject project(200, 3, lines);
  CQuarvelinDlg dialog(project.install);
  Show(dialog);
  QTest::mouseClick(Control<QCheckBox>(dialog, 1008), Qt::LeftButton);
  const Modals modals = PressStart(dialog);
  EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join('\n').toStdString();
  ASSERT_EQ(modals.summary.size(), 4);
  EXPECT_EQ(modals.summary[0], QStringLiteral("203"));  // the contour's vertices are points too
  const std::string info = uitest::ReadFileBytes(project.PmapFile("TIN.inf"));
  EXPECT_EQ(info.substr(info.find("\r\n") + 2, 3), "1\r\n");
}

TEST_F(QuarvelinDlgTest, BuildThatEndsAfterAMessageAlsoEndsInDone) {
  struct Case {
    const char* name;
    std::function<std::string(uitest::TempProject&)> spoil;  // returns the install folder to use
    const char* messageStart;
    bool contours = false;
  };
  const Case cases[] = {
      {"no workdir", [](uitest::TempProject& p) { return p.install + "/elsewhere"; }, "无法打开工作目录文件："},
      {"no point table",
       [](uitest::TempProject& p) {
         std::filesystem::remove(p.PmapFile("Point.xyz"));
         return p.install;
       },
       ""},
      // Contours asked for in a project that has none: the file is named.
      {"no fnum", [](uitest::TempProject& p) { return p.install; }, "未找到等高线文件：", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uitest::TempProject project(20);
    CQuarvelinDlg dialog(c.spoil(project));
    Show(dialog);
    if (c.contours) QTest::mouseClick(Control<QCheckBox>(dialog, 1008), Qt::LeftButton);
    const Modals modals = PressStart(dialog);
    ASSERT_EQ(modals.messages.size(), 1);
    EXPECT_TRUE(modals.messages[0].startsWith(QString::fromUtf8(c.messageStart))) << modals.messages[0].toStdString();
    if (c.contours) {
      EXPECT_TRUE(modals.messages[0].endsWith(QStringLiteral("fnum")));
    }
    EXPECT_TRUE(modals.summary.isEmpty());
    EXPECT_FALSE(Shown(dialog, 1000));
    EXPECT_TRUE(Shown(dialog, 1));
    EXPECT_FALSE(std::filesystem::exists(project.PmapFile("TIN.inf")));
  }
}

}  // namespace
}  // namespace quarvelin
