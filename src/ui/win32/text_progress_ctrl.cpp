#include "ui/win32/text_progress_ctrl.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "ui/win32/mem_dc.h"

namespace quarvelin::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// Draws the text in the whole client rectangle but only inside `clip`, so
// the halves drawn in the two colours meet exactly at the fill edge.
void DrawClippedText(HDC dc, const RECT& clip, const RECT& client, const char* text, COLORREF colour) {
  HRGN region = ::CreateRectRgnIndirect(&clip);
  ::SelectClipRgn(dc, region);
  ::SetTextColor(dc, colour);
  RECT area = client;
  ::DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::DeleteObject(region);
}

}  // namespace

CTextProgressCtrl::CTextProgressCtrl()
    : m_barColour(::GetSysColor(COLOR_HIGHLIGHT)),
      m_backColour(::GetSysColor(COLOR_WINDOW)),
      m_textOnBackColour(::GetSysColor(COLOR_HIGHLIGHT)),
      m_textOnBarColour(::GetSysColor(COLOR_WINDOW)) {}

CTextProgressCtrl::~CTextProgressCtrl() {
  if (m_hwnd && ::IsWindow(m_hwnd)) ::RemoveWindowSubclass(m_hwnd, SubclassProc, kSubclassId);
}

void CTextProgressCtrl::Attach(HWND control) {
  m_hwnd = control;
  ::SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CTextProgressCtrl::SetBarLimits(int lower, int upper) {
  m_lower = lower;
  m_upper = upper;
}

double CTextProgressCtrl::Fraction() const {
  return static_cast<double>(m_position - m_lower) / static_cast<double>(m_upper - m_lower);
}

int CTextProgressCtrl::SetBarPosition(int position) {
  if (!m_hwnd || !::IsWindow(m_hwnd)) return -1;
  const int previous = m_position;
  m_position = position;
  RECT client;
  ::GetClientRect(m_hwnd, &client);
  // A range without extent paints nothing, so it needs no repaint either.
  if (m_lower >= m_upper) return previous;
  const int filledWidth = static_cast<int>(Fraction() * (client.right - client.left));
  if (filledWidth != m_lastFilledWidth) {
    m_lastFilledWidth = filledWidth;
    ::RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  return previous;
}

void CTextProgressCtrl::SetPercentShown(int show) {
  if (m_hwnd && ::IsWindow(m_hwnd) && show != m_showPercent) ::InvalidateRect(m_hwnd, nullptr, TRUE);
  m_showPercent = show;
}

void CTextProgressCtrl::OnPaint() {
  PAINTSTRUCT paint;
  HDC target = ::BeginPaint(m_hwnd, &paint);
  if (m_lower < m_upper) {
    RECT client;
    ::GetClientRect(m_hwnd, &client);
    const double fraction = Fraction();
    CMemDC memory(target);
    HDC dc = memory.dc();
    // Positions outside the range would turn a rectangle inside out: the
    // fill edge stays within the client area, the text keeps the true figure.
    RECT filled = client;
    filled.right = client.left + static_cast<int>((client.right - client.left) * fraction);
    filled.right = std::clamp(filled.right, client.left, client.right);
    RECT empty = client;
    empty.left = filled.right;
    FillSolidRect(dc, filled, m_barColour);
    FillSolidRect(dc, empty, m_backColour);
    if (m_showPercent != 0) {
      char text[16];
      std::snprintf(text, sizeof text, "%d%%", static_cast<int>(fraction * 100.0));
      ::SetBkMode(dc, TRANSPARENT);
      DrawClippedText(dc, filled, client, text, m_textOnBarColour);
      DrawClippedText(dc, empty, client, text, m_textOnBackColour);
    }
  }
  ::EndPaint(m_hwnd, &paint);
}

LRESULT CALLBACK CTextProgressCtrl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR self) {
  auto* control = reinterpret_cast<CTextProgressCtrl*>(self);
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;  // the paint covers the whole client area
    case WM_PAINT:
      control->OnPaint();
      return 0;
    case WM_SIZE: {
      const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
      control->m_lastFilledWidth = -1;
      return result;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
      control->m_hwnd = nullptr;
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace quarvelin::win32
