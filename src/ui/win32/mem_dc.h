// An off-screen drawing context for one paint: everything is drawn into a
// bitmap of the target's clip box and copied to the target in one step when
// the object goes, so the window never shows a half-drawn state.
#pragma once

#include <windows.h>

namespace quarvelin::win32 {

class CMemDC {
 public:
  explicit CMemDC(HDC target);
  CMemDC(const CMemDC&) = delete;
  CMemDC& operator=(const CMemDC&) = delete;
  ~CMemDC();

  HDC dc() const { return m_dc; }

 private:
  HDC m_dc = nullptr;
  HBITMAP m_buffer = nullptr;
  HGDIOBJ m_previousBitmap = nullptr;
  HDC m_target;
  RECT m_area{};
};

}  // namespace quarvelin::win32
