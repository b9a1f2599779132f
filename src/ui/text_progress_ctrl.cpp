#include "ui/text_progress_ctrl.h"

#include <QPaintEvent>
#include <algorithm>
#include <climits>

namespace quarvelin {

namespace {

// Truncation toward zero that saturates, for positions far outside the range.
int TruncateToInt(double value) {
  if (!(value > INT_MIN)) return INT_MIN;
  if (!(value < INT_MAX)) return INT_MAX;
  return static_cast<int>(value);
}

int FilledWidth(const QRect& client, double fraction) { return TruncateToInt(client.width() * fraction); }

}  // namespace

CMemDC::CMemDC(QPainter& target, const QRect& area) : m_target(target), m_area(area) {
  const qreal ratio = target.device()->devicePixelRatioF();
  m_buffer = QPixmap(m_area.size() * ratio);
  m_buffer.setDevicePixelRatio(ratio);
  begin(&m_buffer);
  translate(-m_area.topLeft());
}

CMemDC::~CMemDC() {
  end();
  m_target.drawPixmap(m_area.topLeft(), m_buffer);
}

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent)
    : QProgressBar(parent),
      m_barColour(palette().color(QPalette::Highlight)),
      m_backColour(palette().color(QPalette::Base)),
      m_textOnBackColour(m_barColour),
      m_textOnBarColour(m_backColour) {
  // Every paint covers the whole control; nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setContentsMargins(1, 1, 1, 1);
}

void CTextProgressCtrl::SetBarLimits(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
}

int CTextProgressCtrl::SetBarPosition(int position) {
  if (!IsWindow()) return -1;
  const int previous = m_position;
  m_position = position;
  const int filledWidth = FilledWidth(GetClientRect(), Fraction());
  if (filledWidth != m_lastFilledWidth) {
    m_lastFilledWidth = filledWidth;
    repaint();
  }
  return previous;
}

void CTextProgressCtrl::SetPercentShown(int show) {
  if (IsWindow() && show != m_showPercent) update();
  m_showPercent = show;
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
  QProgressBar::resizeEvent(event);
  m_lastFilledWidth = -1;
}

bool CTextProgressCtrl::IsWindow() const { return testAttribute(Qt::WA_WState_Created); }

QRect CTextProgressCtrl::GetClientRect() const { return contentsRect(); }

double CTextProgressCtrl::Fraction() const {
  if (m_lower >= m_upper) return 0.0;
  return (static_cast<double>(m_position) - m_lower) / (static_cast<double>(m_upper) - m_lower);
}

void CTextProgressCtrl::paintEvent(QPaintEvent* event) {
  QPainter target(this);
  CMemDC dc(target, event->rect());
  dc.setPen(palette().color(QPalette::WindowText));
  dc.setBrush(Qt::NoBrush);
  dc.drawRect(rect().adjusted(0, 0, -1, -1));

  const QRect client = GetClientRect();
  const double fraction = Fraction();
  // Positions outside the range fill all or nothing, the text still telling
  // the figure.
  const int filledWidth = std::clamp(FilledWidth(client, fraction), 0, client.width());
  const QRect filled(client.left(), client.top(), filledWidth, client.height());
  const QRect empty(client.left() + filledWidth, client.top(), client.width() - filledWidth, client.height());
  dc.fillRect(filled, m_barColour);
  dc.fillRect(empty, m_backColour);
  if (m_showPercent == 0 || m_lower >= m_upper) return;

  const QString text = QString::number(TruncateToInt(fraction * 100.0)) + QLatin1Char('%');
  // A painter on a pixmap starts with the application's font, not the bar's.
  dc.setFont(font());
  const int flags = Qt::AlignCenter | Qt::TextSingleLine;
  dc.setClipRect(filled);
  dc.setPen(m_textOnBarColour);
  dc.drawText(client, flags, text);
  dc.setClipRect(empty);
  dc.setPen(m_textOnBackColour);
  dc.drawText(client, flags, text);
}

}  // namespace quarvelin
