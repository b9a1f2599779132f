// Dialogs built from their templates: each control with its identifier, kind,
// text and rectangle in dialog units. A dialog unit scales with the dialog's
// font, a quarter of its average character width across and an eighth of its
// height down, so the layout keeps its proportions with the font's size.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <span>

class QDialog;

namespace quarvelin {

// The templates' font "宋体" in `pointSize` points. Where it is not installed
// another Song face stands in; AR PL UMing has its metrics (6 by 12 pixels
// per character cell at 9 points and 96 dpi).
QFont SongFont(int pointSize);

struct DialogUnits {
  explicit DialogUnits(const QFont& font);
  // Each of x, y, width and height converted on its own, rounded to the
  // nearest pixel.
  QRect ToPixels(const QRect& units) const;
  QSize ToPixels(const QSize& units) const;

  int baseX;  // average width of the Latin letters, pixels
  int baseY;  // character height, pixels
};

enum class ControlKind {
  kPushButton,
  kDefaultPushButton,
  kStatic,
  kEdit,
  kReadOnlyEdit,  // no border, the dialog's background: a field to read, not to fill
  kCheckBox,
  kProgressBar,
  kIcon,  // the application icon at its own size
};

struct ControlTemplate {
  int id;  // 0 for a control that the program never addresses
  ControlKind kind;
  const char* text;  // UTF-8
  QRect units;       // x, y, width, height in dialog units
};

// Lays the dialog out: its font, a fixed client size, and the controls as
// children of `client`, created in template order, which is also their tab
// order. Texts that the template's rectangle would cut off widen their
// control to the right, and controls shorter than the style's smallest
// height grow about their middle, so that no fixed text is clipped. Buttons
// 1 and 2 accept and reject the dialog.
void CreateDialogFromTemplate(QDialog& dialog, QWidget& client, const QSize& sizeUnits, int fontPoints,
                              std::span<const ControlTemplate> controls);

// The name under which a control with identifier `id` can be found.
inline QString ControlName(int id) { return QString::number(id); }

template <typename T>
T* Control(const QWidget& dialog, int id) {
  return dialog.findChild<T*>(ControlName(id));
}

}  // namespace quarvelin
