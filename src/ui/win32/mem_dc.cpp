#include "ui/win32/mem_dc.h"

namespace quarvelin::win32 {

CMemDC::CMemDC(HDC target) : m_target(target) {
  ::GetClipBox(target, &m_area);
  m_dc = ::CreateCompatibleDC(target);
  m_buffer = ::CreateCompatibleBitmap(target, m_area.right - m_area.left, m_area.bottom - m_area.top);
  m_previousBitmap = ::SelectObject(m_dc, m_buffer);
  // Drawing uses the target's logical coordinates.
  ::SetWindowOrgEx(m_dc, m_area.left, m_area.top, nullptr);
}

CMemDC::~CMemDC() {
  ::BitBlt(m_target, m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top, m_dc,
           m_area.left, m_area.top, SRCCOPY);
  ::SelectObject(m_dc, m_previousBitmap);
  ::DeleteObject(m_buffer);
  ::DeleteDC(m_dc);
}

}  // namespace quarvelin::win32
