// The build's progress bar: the dialog's progress control, subclassed so that
// it paints itself, filled part and empty part in two colours with the
// percentage in the middle, the text taking the other part's colour on each
// side of the fill edge. The build holds the dialog's thread without a
// message loop, so a change of the filled width repaints at once.
#pragma once

#include <windows.h>

namespace quarvelin::win32 {

class CTextProgressCtrl {
 public:
  CTextProgressCtrl();
  CTextProgressCtrl(const CTextProgressCtrl&) = delete;
  CTextProgressCtrl& operator=(const CTextProgressCtrl&) = delete;
  ~CTextProgressCtrl();

  // Takes over the painting of an existing progress control.
  void Attach(HWND control);

  void SetBarLimits(int lower, int upper);
  // Returns the previous position, or -1 when the window is gone.
  int SetBarPosition(int position);
  void SetPercentShown(int show);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  void OnPaint();
  double Fraction() const;

  int m_position = 0;
  int m_upper = 100;
  int m_lower = 0;
  int m_showPercent = 1;
  int m_lastFilledWidth = -1;
  COLORREF m_barColour;
  COLORREF m_backColour;
  COLORREF m_textOnBackColour;
  COLORREF m_textOnBarColour;
  HWND m_hwnd = nullptr;
};

}  // namespace quarvelin::win32
