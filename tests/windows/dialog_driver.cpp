// Drives QUARVELIN.EXE as a user would, through its controls' identifiers:
// checks the ready state, opens the about box, sets the limit and the two
// options, presses Start, reads and closes the summary (or the message box
// of a failed build), checks that Done has replaced Start, and closes the
// program. Saves pictures of the dialog before the build and with the
// summary. Prints one line a check; exit status 0 when all held.
//
// Usage: dialog_driver PROGRAM PICTURE_PREFIX success|failure
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kStart = 1000, kProgress = 1001, kDoneCount = 1002, kMaxEdge = 1005, kTotalCount = 1006,
              kStatus = 1007, kContours = 1008, kTotalCaption = 1009, kWriteSjw = 1011;
constexpr int kAboutCommand = 0x10;
constexpr DWORD kTimeoutMs = 300000;

int failures = 0;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void Check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

std::wstring Text(HWND window) {
  wchar_t buffer[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, nullptr);
  return buffer;
}

std::wstring ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

struct Search {
  DWORD process;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || !IsWindowVisible(window)) return TRUE;
  if (Text(window) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopWindow(DWORD process, const wchar_t* title) {
  Search search{process, title, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(DWORD process, const wchar_t* title) {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindTopWindow(process, title)) != nullptr; });
  return window;
}

// The screen inside the union of the windows' rectangles, as a 24-bit BMP.
void SavePicture(const std::vector<HWND>& windows, const std::string& path) {
  RECT area{};
  for (HWND w : windows) {
    RECT r;
    if (w && GetWindowRect(w, &r)) UnionRect(&area, &area, &r);
  }
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  Sleep(500);  // let the last repaint reach the screen
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
  std::vector<unsigned char> pixels(stride * static_cast<DWORD>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info + pixels.size()), 0, 0,
                        static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info)};
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    std::fclose(out);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

void Command(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void CheckReadyState(HWND dialog) {
  Check(ItemText(dialog, kMaxEdge) == L"200", "the edit box starts with 200");
  Check(Visible(dialog, kStart) && !Visible(dialog, IDOK), "Start shown, Done hidden before the build");
  Check(SendMessageW(GetDlgItem(dialog, kContours), BM_GETCHECK, 0, 0) == BST_UNCHECKED &&
            SendMessageW(GetDlgItem(dialog, kWriteSjw), BM_GETCHECK, 0, 0) == BST_UNCHECKED,
        "both check boxes start unchecked");
  Check(ItemText(dialog, kStatus).empty() && ItemText(dialog, kTotalCaption).empty(), "status and captions empty");
}

void CheckAboutBox(HWND dialog, DWORD process) {
  PostMessageW(dialog, WM_SYSCOMMAND, kAboutCommand, 0);
  HWND about = WaitForWindow(process, L"关于 Quarvelin");
  Check(about != nullptr, "the system menu's about command opens the about box");
  if (!about) return;
  Command(about, IDOK);
  Check(WaitFor([&] { return !IsWindow(about); }, 10000), "OK closes the about box");
}

// Sets the limit and turns both options on, clicking the contour box three
// times so that the flag has to follow every click.
void SetInputs(HWND dialog) {
  SendMessageW(GetDlgItem(dialog, kMaxEdge), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"250"));
  for (int i = 0; i < 3; ++i) SendMessageW(GetDlgItem(dialog, kContours), BM_CLICK, 0, 0);
  SendMessageW(GetDlgItem(dialog, kWriteSjw), BM_CLICK, 0, 0);
  Check(SendMessageW(GetDlgItem(dialog, kContours), BM_GETCHECK, 0, 0) == BST_CHECKED &&
            SendMessageW(GetDlgItem(dialog, kWriteSjw), BM_GETCHECK, 0, 0) == BST_CHECKED,
        "both options checked");
}

void CheckSummary(HWND dialog, HWND summary, const std::string& picture) {
  const std::wstring points = ItemText(summary, 1003), triangles = ItemText(summary, 1004);
  const std::wstring time = ItemText(summary, 1005), speed = ItemText(summary, 1006);
  std::printf("summary: %s  %s\n", Utf8(points).c_str(), Utf8(triangles).c_str());
  Check(time.size() == 10 && time.find(L"小时") == 2 && time.find(L"分") == 6 && time.back() == L'秒',
        "time text " + Utf8(time));
  Check(speed.find(L"个三角形  / 秒") != std::wstring::npos, "speed text " + Utf8(speed));
  Check(ItemText(dialog, kStatus) == L"已经成功构建TIN...", "status line at the end of the build");
  Check(ItemText(dialog, kProgress) == L"100%", "the bar's text at the end");
  // The last phase that reports counts leaves its captions and figures.
  Check(!ItemText(dialog, kTotalCaption).empty() && !ItemText(dialog, kTotalCount).empty() &&
            !ItemText(dialog, kDoneCount).empty(),
        "captions and counters filled by the build");
  SavePicture({dialog, summary}, picture + "-summary.bmp");
  Command(summary, IDOK);
}

int Drive(const std::wstring& program, const std::string& picture, bool expectSuccess) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    Check(false, "start the program");
    return 1;
  }
  HWND dialog = WaitForWindow(process.dwProcessId, L"数模控制参数");
  Check(dialog != nullptr, "the parameter dialog appears");
  if (!dialog) {
    TerminateProcess(process.hProcess, 1);
    return 1;
  }
  CheckReadyState(dialog);
  CheckAboutBox(dialog, process.dwProcessId);
  SetInputs(dialog);
  SavePicture({dialog}, picture + "-dialog.bmp");

  Command(dialog, kStart);
  HWND summary = nullptr, message = nullptr;
  WaitFor([&] {
    summary = FindTopWindow(process.dwProcessId, L"信息提示");
    message = FindTopWindow(process.dwProcessId, L"Quarvelin");
    return summary || message;
  });
  if (expectSuccess) {
    Check(summary != nullptr, "the summary appears");
    if (message) std::printf("message: %s\n", Utf8(Text(GetDlgItem(message, 0xFFFF))).c_str());
    if (summary) CheckSummary(dialog, summary, picture);
  } else {
    Check(message != nullptr && summary == nullptr, "a failed build shows its message and no summary");
    if (message) {
      std::printf("message: %s\n", Utf8(Text(GetDlgItem(message, 0xFFFF))).c_str());
      SavePicture({dialog, message}, picture + "-message.bmp");
      PostMessageW(message, WM_COMMAND, IDOK, 0);
    }
  }
  Check(WaitFor([&] { return Visible(dialog, IDOK) && !Visible(dialog, kStart); }),
        "Done replaces Start when the build has returned");
  Command(dialog, IDOK);
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  Check(ended, "Done closes the program");
  if (!ended) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 4) {
    std::fprintf(stderr, "usage: dialog_driver PROGRAM PICTURE_PREFIX success|failure\n");
    return 2;
  }
  return Drive(argv[1], Utf8(argv[2]), std::wcscmp(argv[3], L"success") == 0);
}
