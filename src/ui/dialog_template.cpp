#include "ui/dialog_template.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/app_icon.h"
#include "ui/text_progress_ctrl.h"

namespace quarvelin {

namespace {

// Rounds halves up, as the dialog manager's conversion does for the
// templates' coordinates, which are never negative.
int ScaleUnits(int units, int base, int divisor) { return (2 * units * base + divisor) / (2 * divisor); }

QWidget* MakeControl(const ControlTemplate& control, QWidget& client) {
  const QString text = QString::fromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton: {
      auto* button = new QPushButton(text, &client);
      button->setDefault(control.kind == ControlKind::kDefaultPushButton);
      return button;
    }
    case ControlKind::kStatic: {
      auto* label = new QLabel(text, &client);
      // The build's texts hold file paths, never markup.
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::kEdit:
    case ControlKind::kReadOnlyEdit: {
      auto* edit = new QLineEdit(text, &client);
      if (control.kind == ControlKind::kReadOnlyEdit) {
        edit->setReadOnly(true);
        edit->setFrame(false);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
      }
      return edit;
    }
    case ControlKind::kCheckBox:
      return new QCheckBox(text, &client);
    case ControlKind::kProgressBar:
      return new CTextProgressCtrl(&client);
    case ControlKind::kIcon: {
      auto* icon = new QLabel(&client);
      icon->setPixmap(ApplicationIcon().pixmap(kIconSize, kIconSize));
      return icon;
    }
  }
  return nullptr;
}

// The template's rectangle, widened for a fixed text that would not fit and
// heightened about its middle for a control the style cannot draw so low.
QRect FittedGeometry(const ControlTemplate& control, QWidget& widget, const DialogUnits& units) {
  QRect r = units.ToPixels(control.units);
  if (control.kind == ControlKind::kIcon) return QRect(r.topLeft(), QSize(kIconSize, kIconSize));
  if (control.kind != ControlKind::kStatic && control.kind != ControlKind::kCheckBox) return r;
  const QSize hint = widget.sizeHint();
  if (*control.text != '\0' && hint.width() > r.width()) r.setWidth(hint.width());
  if (hint.height() > r.height()) {
    r.moveTop(r.top() - (hint.height() - r.height()) / 2);
    r.setHeight(hint.height());
  }
  return r;
}

}  // namespace

QFont SongFont(int pointSize) {
  QFont font;
  font.setFamilies({QString::fromUtf8("宋体"), QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                    QStringLiteral("AR PL UMing TW")});
  font.setPointSize(pointSize);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average over the 52 Latin letters, rounded, as the dialog manager
  // measures a font.
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX = (letters + 26) / 52;
  baseY = metrics.height();
}

QRect DialogUnits::ToPixels(const QRect& units) const {
  return QRect(ScaleUnits(units.x(), baseX, 4), ScaleUnits(units.y(), baseY, 8),
               ScaleUnits(units.width(), baseX, 4), ScaleUnits(units.height(), baseY, 8));
}

QSize DialogUnits::ToPixels(const QSize& units) const {
  return QSize(ScaleUnits(units.width(), baseX, 4), ScaleUnits(units.height(), baseY, 8));
}

void CreateDialogFromTemplate(QDialog& dialog, QWidget& client, const QSize& sizeUnits, int fontPoints,
                              std::span<const ControlTemplate> controls) {
  dialog.setFont(SongFont(fontPoints));
  const DialogUnits units(dialog.font());
  client.setFixedSize(units.ToPixels(sizeUnits));
  for (const ControlTemplate& control : controls) {
    QWidget* widget = MakeControl(control, client);
    if (control.id != 0) widget->setObjectName(ControlName(control.id));
    widget->setGeometry(FittedGeometry(control, *widget, units));
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      if (control.id == 1) QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
      if (control.id == 2) QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::reject);
    }
  }
}

}  // namespace quarvelin
