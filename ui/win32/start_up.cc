#include "ui/win32/start_up.h"

#include <shellapi.h>

#include <exception>

#include "core/wide_string_win32.h"
#include "ui/error_box_text.h"
#include "ui/win32/system_boxes.h"

namespace hxf {

Result<std::unique_ptr<TForm1>> CreateMainWindow() {
  // The system's failures come back as a Status; what else can fail is the memory for the
  // window, which the standard library reports by throwing. It stops at this boundary.
  try {
    return TForm1::Create();
  } catch (const std::exception& error) {
    return Status::Error(Status::Code::kIoError, error.what());
  }
}

std::string ExecutablePath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return Utf8FromWideLossy(path);
}

std::vector<std::string> PackageArguments() {
  std::vector<std::string> packages;
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return packages;
  for (int i = 1; i < count; ++i) packages.push_back(Utf8FromWideLossy(arguments[i]));
  LocalFree(arguments);
  return packages;
}

int RunMainWindow(const WindowFactory& create, int show, const std::vector<std::string>& packages) {
  Result<std::unique_ptr<TForm1>> created = create();
  if (!created.ok()) {
    ShowStandardErrorBox(nullptr, ErrorBoxText(created.status().message()),
                         ProgramTitle(ExecutablePath()));
    return 1;
  }
  TForm1& window = *created.value();
  window.OnClosed([] { PostQuitMessage(0); });
  window.Show(show);
  window.OpenPackages(packages);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace hxf
