#include "ui/quarvelin_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app_icon.h"
#include "ui/dialog_template.h"
#include "ui/mes_dlg.h"
#include "ui/text_progress_ctrl.h"

namespace quarvelin {

namespace {

constexpr int kDoneId = 1;
constexpr int kStartId = 1000;
constexpr int kProgressId = 1001;
constexpr int kDoneCounterId = 1002;
constexpr int kMaxEdgeId = 1005;
constexpr int kTotalCounterId = 1006;
constexpr int kStatusId = 1007;
constexpr int kContoursId = 1008;
constexpr int kTotalCaptionId = 1009;
constexpr int kDoneCaptionId = 1010;
constexpr int kSjwId = 1011;

// Template 102. Start and Done share one rectangle; only one is ever shown.
constexpr ControlTemplate kParameterTemplate[] = {
    {kDoneId, ControlKind::kDefaultPushButton, "完成", {95, 83, 50, 14}},
    {2, ControlKind::kPushButton, "取消", {177, 83, 50, 14}},
    {kStartId, ControlKind::kPushButton, "开始", {95, 83, 50, 14}},
    {kProgressId, ControlKind::kProgressBar, "", {15, 48, 306, 14}},
    {kDoneCaptionId, ControlKind::kStatic, "", {182, 34, 72, 8}},
    {kDoneCounterId, ControlKind::kStatic, "", {266, 33, 53, 8}},
    {0, ControlKind::kStatic, "边界三角形最大边长：", {17, 15, 82, 8}},
    {kMaxEdgeId, ControlKind::kEdit, "", {106, 13, 43, 14}},
    {0, ControlKind::kStatic, "米", {162, 16, 9, 8}},
    {kTotalCaptionId, ControlKind::kStatic, "", {19, 35, 95, 8}},
    {kTotalCounterId, ControlKind::kStatic, "", {124, 34, 51, 8}},
    {kStatusId, ControlKind::kStatic, "", {161, 68, 140, 11}},
    {0, ControlKind::kStatic, "等高线为地性线", {200, 14, 59, 11}},
    {kContoursId, ControlKind::kCheckBox, "", {275, 14, 16, 8}},
    {kSjwId, ControlKind::kCheckBox, "生成南方测绘三角网文件", {37, 69, 106, 10}},
};

constexpr ControlTemplate kAboutTemplate[] = {
    {0, ControlKind::kIcon, "", {11, 17, 20, 20}},
    {0, ControlKind::kStatic, "Quarvelin 1.0 版", {40, 10, 119, 8}},
    {0, ControlKind::kStatic, "数字地面模型构建", {40, 25, 119, 8}},
    {1, ControlKind::kDefaultPushButton, "确定", {178, 7, 50, 14}},
};

constexpr int kDialogFontPoints = 9;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("关于 Quarvelin"));
  CreateDialogFromTemplate(*this, *this, QSize(235, 55), kDialogFontPoints, kAboutTemplate);
}

CQuarvelinDlg::CQuarvelinDlg(std::string installDirectory, QWidget* parent)
    : QDialog(parent), m_hIcon(ApplicationIcon()), m_installDirectory(std::move(installDirectory)) {
  setWindowTitle(QString::fromUtf8("数模控制参数"));
  setWindowFlag(Qt::WindowMinimizeButtonHint);
  // A desktop window's own menu cannot be extended portably, so the About
  // entry sits in a menu bar of the dialog, above the template's area.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  auto* menuBar = new QMenuBar(this);
  layout->setMenuBar(menuBar);
  auto* client = new QWidget(this);
  layout->addWidget(client);
  CreateDialogFromTemplate(*this, *client, QSize(336, 111), kDialogFontPoints, kParameterTemplate);
  QAction* about = menuBar->addAction(QString::fromUtf8("关于 Quarvelin(&A)..."));
  about->setObjectName(ControlName(IDM_ABOUTBOX));
  connect(about, &QAction::triggered, this, &CQuarvelinDlg::OnAboutBox);
  DoDataExchange();
  OnInitDialog();
}

void CQuarvelinDlg::DoDataExchange() {
  m_startButton = Control<QPushButton>(*this, kStartId);
  m_doneButton = Control<QPushButton>(*this, kDoneId);
  m_maxEdgeEdit = Control<QLineEdit>(*this, kMaxEdgeId);
  m_progress = Control<CTextProgressCtrl>(*this, kProgressId);
  Control<QCheckBox>(*this, kContoursId)->setChecked(m_contoursAsFeatureLines != 0);
  Control<QCheckBox>(*this, kSjwId)->setChecked(m_writeSjwFile != 0);
}

void CQuarvelinDlg::OnInitDialog() {
  setWindowIcon(m_hIcon);
  connect(m_startButton, &QPushButton::clicked, this, &CQuarvelinDlg::OnStartBuild);
  // The boxes flip their own marks; the flags follow each click.
  connect(Control<QCheckBox>(*this, kContoursId), &QCheckBox::clicked, this,
          [this] { m_contoursAsFeatureLines = 1 - m_contoursAsFeatureLines; });
  connect(Control<QCheckBox>(*this, kSjwId), &QCheckBox::clicked, this,
          [this] { m_writeSjwFile = 1 - m_writeSjwFile; });
  m_maxEdgeEdit->setFocus();
  m_maxEdgeEdit->setText(QStringLiteral("200"));
  m_startButton->show();
  m_doneButton->hide();
}

BuildOptions CQuarvelinDlg::CurrentOptions() const {
  BuildOptions options;
  options.maxBoundaryEdge = MaxBoundaryEdgeFromText(m_maxEdgeEdit->text().toStdString());
  options.contoursAsFeatureLines = m_contoursAsFeatureLines != 0;
  options.writeSjwFile = m_writeSjwFile != 0;
  return options;
}

void CQuarvelinDlg::OnStartBuild() {
  BuildRun(m_installDirectory, CurrentOptions(), *this);
  // Whether the build completed or ended after a message, it is over: Start
  // cannot be reached again.
  m_startButton->hide();
  m_doneButton->show();
}

void CQuarvelinDlg::OnAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void CQuarvelinDlg::SetControlText(int id, const QString& text) {
  auto* label = Control<QLabel>(*this, id);
  label->setText(text);
  // The build holds the thread, so the text is painted now or not until it
  // ends; these change only a few times a build.
  label->repaint();
}

void CQuarvelinDlg::SetStatus(const std::string& text) { SetControlText(kStatusId, QString::fromStdString(text)); }

void CQuarvelinDlg::SetCaptions(const std::string& totalCaption, const std::string& doneCaption) {
  SetControlText(kTotalCaptionId, QString::fromStdString(totalCaption));
  SetControlText(kDoneCaptionId, QString::fromStdString(doneCaption));
}

void CQuarvelinDlg::SetTotal(int32_t total) { SetControlText(kTotalCounterId, QString::number(total)); }

void CQuarvelinDlg::SetDone(int32_t done) { SetControlText(kDoneCounterId, QString::number(done)); }

void CQuarvelinDlg::ResetBar() {
  m_progress->SetBarLimits(0, 100);
  m_progress->SetBarPosition(0);
  m_progress->SetPercentShown(1);
}

void CQuarvelinDlg::SetBarPos(int32_t position) { m_progress->SetBarPosition(position); }

// The bar draws its percentage from its position; the text the build sends
// is stored as the bar's window text and never shown.
void CQuarvelinDlg::SetBarText(const std::string& text) { m_progress->setWindowTitle(QString::fromStdString(text)); }

void CQuarvelinDlg::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), QString::fromStdString(text),
                  QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void CQuarvelinDlg::ShowSummary(const BuildSummary& summary) {
  MesDlg dialog(this);
  dialog.m_totalPoints = summary.points;
  dialog.m_triangleCount = summary.triangles;
  dialog.m_buildTime = QString::fromStdString(summary.timeText);
  dialog.m_buildSpeed = QString::fromStdString(summary.speedText);
  dialog.exec();
}

}  // namespace quarvelin
