// A modal dialog from a resource template, with its messages routed to a
// virtual handler of the object that runs it.
#pragma once

#include <windows.h>

#include <string>

namespace quarvelin::win32 {

class DialogBase {
 public:
  explicit DialogBase(int templateId) : templateId_(templateId) {}
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;
  virtual ~DialogBase() = default;

  // Runs the dialog until it is closed; returns the identifier of the button
  // that closed it, or -1 when the template could not be loaded.
  INT_PTR DoModal(HWND owner);
  HWND hwnd() const { return hwnd_; }

 protected:
  // A message of the dialog; returns true when it has been handled. The
  // default closes the dialog on OK and Cancel, as the Escape key sends.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // Returns true to let the system give the focus to the first control.
  virtual bool OnInitDialog() { return true; }

  void SetItemText(int id, const std::string& utf8) const;
  std::string ItemText(int id) const;
  void ShowItem(int id, bool show) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND hwnd_ = nullptr;
};

// The handle of the module that holds the resources.
HINSTANCE ResourceModule();

}  // namespace quarvelin::win32
