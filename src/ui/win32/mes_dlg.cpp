#include "ui/win32/mes_dlg.h"

#include "ui/win32/resource.h"

namespace quarvelin::win32 {

MesDlg::MesDlg() : DialogBase(IDD_MESDLG) {}

// The edits are read-only, so the values never need reading back.
bool MesDlg::OnInitDialog() {
  ::SetDlgItemInt(hwnd(), IDC_TOTAL_POINTS, static_cast<UINT>(m_totalPoints), TRUE);
  ::SetDlgItemInt(hwnd(), IDC_TRIANGLE_COUNT, static_cast<UINT>(m_triangleCount), TRUE);
  SetItemText(IDC_BUILD_TIME, m_buildTime);
  SetItemText(IDC_BUILD_SPEED, m_buildSpeed);
  return true;
}

CAboutDlg::CAboutDlg() : DialogBase(IDD_ABOUTBOX) {}

}  // namespace quarvelin::win32
