#include "ui/win32/dialog_base.h"

#include <vector>

#include "platform/wide_text_win32.h"

namespace quarvelin::win32 {

HINSTANCE ResourceModule() { return ::GetModuleHandleW(nullptr); }

INT_PTR DialogBase::DoModal(HWND owner) {
  return ::DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool DialogBase::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(hwnd_, LOWORD(wParam));
    return true;
  }
  return false;
}

void DialogBase::SetItemText(int id, const std::string& utf8) const {
  ::SetDlgItemTextW(hwnd_, id, Widen(utf8).c_str());
}

std::string DialogBase::ItemText(int id) const {
  HWND item = ::GetDlgItem(hwnd_, id);
  std::vector<wchar_t> text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1);
  const int length = ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()));
  return Narrow(std::wstring_view(text.data(), static_cast<size_t>(length)));
}

void DialogBase::ShowItem(int id, bool show) const {
  ::ShowWindow(::GetDlgItem(hwnd_, id), show ? SW_SHOW : SW_HIDE);
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogBase*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    return self->OnInitDialog();
  }
  auto* self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    self->hwnd_ = nullptr;
    return FALSE;
  }
  INT_PTR result = TRUE;
  return self->OnMessage(message, wParam, lParam, result) ? result : FALSE;
}

}  // namespace quarvelin::win32
