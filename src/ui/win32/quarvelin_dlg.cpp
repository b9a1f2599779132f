#include "ui/win32/quarvelin_dlg.h"

#include <string>

#include "platform/wide_text_win32.h"
#include "ui/win32/mes_dlg.h"
#include "ui/win32/resource.h"

namespace quarvelin::win32 {

namespace {

constexpr const wchar_t* kMessageCaption = L"Quarvelin";

std::string DecimalText(int32_t value) { return std::to_string(value); }

}  // namespace

CQuarvelinDlg::CQuarvelinDlg(std::string installDirectory)
    : DialogBase(IDD_QUARVELIN_DIALOG),
      m_installDirectory(std::move(installDirectory)),
      m_hIcon(::LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

bool CQuarvelinDlg::OnInitDialog() {
  m_progress.Attach(::GetDlgItem(hwnd(), IDC_PROGRESS));
  ::CheckDlgButton(hwnd(), IDC_CONTOURS, m_contoursAsFeatureLines ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(hwnd(), IDC_WRITE_SJW, m_writeSjwFile ? BST_CHECKED : BST_UNCHECKED);
  AddAboutEntry();
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  ::SetFocus(::GetDlgItem(hwnd(), IDC_MAX_EDGE));
  SetItemText(IDC_MAX_EDGE, "200");
  ShowItem(IDC_START, true);
  ShowItem(IDOK, false);
  // The edit box keeps the focus given above.
  return false;
}

void CQuarvelinDlg::AddAboutEntry() const {
  HMENU menu = ::GetSystemMenu(hwnd(), FALSE);
  if (!menu) return;
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(ResourceModule(), IDS_ABOUTBOX, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0) return;
  const std::wstring entry(text, static_cast<size_t>(length));
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, entry.c_str());
}

bool CQuarvelinDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
      CAboutDlg().DoModal(hwnd());
      return true;
    case WM_PAINT:
      if (!::IsIconic(hwnd())) return false;
      PaintMinimised();
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(m_hIcon);
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      switch (LOWORD(wParam)) {
        case IDC_START:
          OnStartBuild();
          return true;
        case IDC_CONTOURS:
          m_contoursAsFeatureLines = 1 - m_contoursAsFeatureLines;
          return true;
        case IDC_WRITE_SJW:
          m_writeSjwFile = 1 - m_writeSjwFile;
          return true;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return DialogBase::OnMessage(message, wParam, lParam, result);
}

void CQuarvelinDlg::PaintMinimised() const {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd(), &paint);
  ::SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int iconWidth = ::GetSystemMetrics(SM_CXICON);
  const int iconHeight = ::GetSystemMetrics(SM_CYICON);
  RECT client;
  ::GetClientRect(hwnd(), &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  ::DrawIcon(dc, x, y, m_hIcon);
  ::EndPaint(hwnd(), &paint);
}

void CQuarvelinDlg::OnStartBuild() {
  BuildOptions options;
  options.maxBoundaryEdge = MaxBoundaryEdgeFromText(ItemText(IDC_MAX_EDGE));
  options.contoursAsFeatureLines = m_contoursAsFeatureLines != 0;
  options.writeSjwFile = m_writeSjwFile != 0;
  BuildRun(m_installDirectory, options, *this);
  // One build per start of the program, however it ended.
  ShowItem(IDC_START, false);
  ShowItem(IDOK, true);
  ::SetFocus(::GetDlgItem(hwnd(), IDOK));
}

void CQuarvelinDlg::SetStatus(const std::string& text) { SetItemText(IDC_STATUS, text); }

void CQuarvelinDlg::SetCaptions(const std::string& totalCaption, const std::string& doneCaption) {
  SetItemText(IDC_TOTAL_CAPTION, totalCaption);
  SetItemText(IDC_DONE_CAPTION, doneCaption);
}

void CQuarvelinDlg::SetTotal(int32_t total) { SetItemText(IDC_TOTAL_COUNT, DecimalText(total)); }

void CQuarvelinDlg::SetDone(int32_t done) { SetItemText(IDC_DONE_COUNT, DecimalText(done)); }

void CQuarvelinDlg::ResetBar() {
  m_progress.SetBarLimits(0, 100);
  m_progress.SetBarPosition(0);
  m_progress.SetPercentShown(1);
}

void CQuarvelinDlg::SetBarPos(int32_t position) { m_progress.SetBarPosition(position); }

void CQuarvelinDlg::SetBarText(const std::string& text) { SetItemText(IDC_PROGRESS, text); }

void CQuarvelinDlg::ShowMessage(const std::string& text) {
  ::MessageBoxW(hwnd(), Widen(text).c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

void CQuarvelinDlg::ShowSummary(const BuildSummary& summary) {
  MesDlg box;
  box.m_totalPoints = summary.points;
  box.m_triangleCount = summary.triangles;
  box.m_buildTime = summary.timeText;
  box.m_buildSpeed = summary.speedText;
  box.DoModal(hwnd());
}

}  // namespace quarvelin::win32
