// The self-painting progress bar on a real progress control: what it paints,
// and that it repaints exactly when its filled width changes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "ui/win32/text_progress_ctrl.h"

namespace quarvelin::win32 {
namespace {

constexpr int kWidth = 50, kHeight = 20;

// Counts the paints that reach the control, in front of its own handler.
LRESULT CALLBACK CountPaints(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count) {
  if (message == WM_PAINT) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

class ProgressBar : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
    control_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, kWidth, kHeight,
                               parent_, nullptr, nullptr, nullptr);
    bar_.Attach(control_);
    SetWindowSubclass(control_, CountPaints, 2, reinterpret_cast<DWORD_PTR>(&paints_));
    bar_.SetBarLimits(0, 100);
    bar_.SetBarPosition(0);
    UpdateWindow(control_);
    paints_ = 0;
  }
  void TearDown() override {
    if (IsWindow(parent_)) DestroyWindow(parent_);
  }
  COLORREF Pixel(int x, int y) const {
    HDC dc = GetDC(control_);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(control_, dc);
    return colour;
  }

  HWND parent_ = nullptr, control_ = nullptr;
  CTextProgressCtrl bar_;
  int paints_ = 0;
};

TEST_F(ProgressBar, RepaintsOnlyWhenTheFilledWidthChanges) {
  EXPECT_EQ(bar_.SetBarPosition(10), 0);  // 5 of 50 pixels
  EXPECT_EQ(paints_, 1);
  EXPECT_EQ(bar_.SetBarPosition(11), 10);  // still 5 pixels
  EXPECT_EQ(paints_, 1);
  bar_.SetBarPosition(12);  // 6 pixels
  EXPECT_EQ(paints_, 2);
  SetWindowPos(control_, nullptr, 0, 0, kWidth, kHeight + 1, SWP_NOMOVE | SWP_NOZORDER);
  UpdateWindow(control_);
  paints_ = 0;
  bar_.SetBarPosition(12);  // same width, but a resize forgot it
  EXPECT_EQ(paints_, 1);
}

TEST_F(ProgressBar, FillsToThePositionInTheTwoColours) {
  bar_.SetBarPosition(50);
  const COLORREF bar = GetSysColor(COLOR_HIGHLIGHT), back = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(Pixel(1, 1), bar);
  EXPECT_EQ(Pixel(kWidth / 2 - 1, 1), bar);
  EXPECT_EQ(Pixel(kWidth / 2, 1), back);
  EXPECT_EQ(Pixel(kWidth - 2, 1), back);
  bar_.SetBarPosition(120);  // above the range: full, not inside out
  EXPECT_EQ(Pixel(kWidth - 2, 1), bar);
  bar_.SetBarPosition(-5);
  EXPECT_EQ(Pixel(1, 1), back);
}

TEST_F(ProgressBar, PercentShownInvalidatesOnlyOnAChange) {
  ValidateRect(control_, nullptr);
  bar_.SetPercentShown(1);
  EXPECT_FALSE(GetUpdateRect(control_, nullptr, FALSE));
  bar_.SetPercentShown(0);
  EXPECT_TRUE(GetUpdateRect(control_, nullptr, FALSE));
}

TEST_F(ProgressBar, AnEmptyRangePaintsNothingAndStaysQuiet) {
  bar_.SetBarLimits(5, 5);
  EXPECT_EQ(bar_.SetBarPosition(7), 0);
  EXPECT_EQ(paints_, 0);
  InvalidateRect(control_, nullptr, TRUE);
  UpdateWindow(control_);  // must validate, or the control would be painted for ever
  EXPECT_FALSE(GetUpdateRect(control_, nullptr, FALSE));
}

TEST_F(ProgressBar, AGoneWindowKeepsThePosition) {
  bar_.SetBarPosition(30);
  DestroyWindow(parent_);
  EXPECT_EQ(bar_.SetBarPosition(60), -1);
  EXPECT_EQ(bar_.SetBarPosition(70), -1);
}

}  // namespace
}  // namespace quarvelin::win32
