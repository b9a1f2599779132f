// The build's progress bar. It paints itself: the filled part in the
// highlight colour, the rest in the window colour, and the percentage in the
// middle, drawn twice so that it changes colour exactly at the fill edge. The
// build that moves it holds the thread, so no paint event would be
// dispatched; the bar repaints itself at once instead, but only when its
// filled width in pixels changes, at most once a pixel however many points
// a phase inserts.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRect>

namespace quarvelin {

// An off-screen painter that lives for one paint: everything goes to a
// pixmap of the paint area, copied to the target in one step when the
// painter is destroyed, so the bar is never seen half drawn. It paints in
// the target's coordinates.
class CMemDC : public QPainter {
 public:
  CMemDC(QPainter& target, const QRect& area);
  CMemDC(const CMemDC&) = delete;
  CMemDC& operator=(const CMemDC&) = delete;
  ~CMemDC();

 private:
  QPixmap m_buffer;
  QPainter& m_target;
  QRect m_area;
};

class CTextProgressCtrl : public QProgressBar {
  Q_OBJECT

 public:
  explicit CTextProgressCtrl(QWidget* parent = nullptr);

  // Stores the range without repainting; the next position change shows it.
  void SetBarLimits(int lower, int upper);
  // Returns the previous position, or -1 without storing anything while the
  // control has no window.
  int SetBarPosition(int position);
  // Any value but 0 shows the percentage.
  void SetPercentShown(int show);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool IsWindow() const;
  // The area inside the one-pixel border.
  QRect GetClientRect() const;
  // Share of the range that the position has reached; 0 for a range
  // without width.
  double Fraction() const;

  int m_position = 0;
  int m_upper = 100;
  int m_lower = 0;
  int m_showPercent = 1;
  // Filled width that the last repaint was requested for; -1: unknown.
  int m_lastFilledWidth = -1;
  // Read once, when the control is made.
  QColor m_barColour;
  QColor m_backColour;
  QColor m_textOnBackColour;
  QColor m_textOnBarColour;
};

}  // namespace quarvelin
