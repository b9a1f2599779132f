#include "ui/mes_dlg.h"

#include <QLineEdit>
#include <QShowEvent>

#include "ui/dialog_template.h"

namespace quarvelin {

namespace {

constexpr int kTotalPointsId = 1003;
constexpr int kTriangleCountId = 1004;
constexpr int kBuildTimeId = 1005;
constexpr int kBuildSpeedId = 1006;

// Template 129. The labels are the system's own: the third holds a space and
// the fourth ends in a plain colon.
constexpr ControlTemplate kSummaryTemplate[] = {
    {1, ControlKind::kDefaultPushButton, "OK", {61, 112, 50, 14}},
    {0, ControlKind::kStatic, "总点数：", {17, 23, 33, 8}},
    {0, ControlKind::kStatic, "三角形数：", {17, 44, 41, 8}},
    {kTotalPointsId, ControlKind::kReadOnlyEdit, "", {75, 20, 80, 14}},
    {kTriangleCountId, ControlKind::kReadOnlyEdit, "", {75, 41, 80, 14}},
    {0, ControlKind::kStatic, "建网耗 时：", {17, 65, 43, 8}},
    {kBuildTimeId, ControlKind::kReadOnlyEdit, "", {75, 63, 80, 14}},
    {0, ControlKind::kStatic, "建网速度:", {17, 87, 35, 8}},
    {kBuildSpeedId, ControlKind::kReadOnlyEdit, "", {75, 85, 80, 14}},
};

// The template's font is the system font at 10 points; the Song face of the
// other dialogs stands in for it, so its Chinese labels keep their widths.
constexpr int kSummaryFontPoints = 10;

void ExchangeInt(const QWidget& dialog, int id, int& value, bool save) {
  auto* edit = Control<QLineEdit>(dialog, id);
  if (!save) {
    edit->setText(QString::number(value));
    return;
  }
  bool ok = false;
  const int read = edit->text().toInt(&ok);
  if (ok) value = read;
}

void ExchangeText(const QWidget& dialog, int id, QString& value, bool save) {
  auto* edit = Control<QLineEdit>(dialog, id);
  if (save) value = edit->text();
  else edit->setText(value);
}

}  // namespace

MesDlg::MesDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("信息提示"));
  CreateDialogFromTemplate(*this, *this, QSize(173, 141), kSummaryFontPoints, kSummaryTemplate);
}

void MesDlg::accept() {
  DoDataExchange(true);
  QDialog::accept();
}

void MesDlg::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) DoDataExchange(false);
  QDialog::showEvent(event);
}

void MesDlg::DoDataExchange(bool saveAndValidate) {
  ExchangeInt(*this, kTotalPointsId, m_totalPoints, saveAndValidate);
  ExchangeInt(*this, kTriangleCountId, m_triangleCount, saveAndValidate);
  ExchangeText(*this, kBuildTimeId, m_buildTime, saveAndValidate);
  ExchangeText(*this, kBuildSpeedId, m_buildSpeed, saveAndValidate);
}

}  // namespace quarvelin
