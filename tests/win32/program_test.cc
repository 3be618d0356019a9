// The window program as Windows sees it: its resources (icon, manifest, version information) and
// the system's own file dialogs behind the buttons.
// clang-format off
#include <windows.h>  // first: the other system headers need its types
// clang-format on

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "core/file_system.h"
#include "core/version.h"
#include "core/wide_string_win32.h"
#include "tests/support/files.h"
#include "tests/support/package_bytes.h"
#include "tests/win32/window_driver.h"
#include "ui/win32/start_up.h"
#include "ui/win32/unit1.h"

namespace hxf::testing {
namespace {

std::string ResourceText(LPCWSTR type) {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), type);
  if (found == nullptr) return {};
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
  return std::string(bytes, SizeofResource(nullptr, found));
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return {};
  }
  return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST(Win32ProgramTest, CarriesItsIconManifestAndVersion) {
  EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);

  const std::string manifest = ResourceText(RT_MANIFEST);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  // The manifest took: the common controls in use are version 6, from the side-by-side store
  // (whose own version number Wine gives as 5).
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), loaded, MAX_PATH);
  std::wstring controls = loaded;
  CharLowerW(controls.data());
  EXPECT_NE(controls.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."),
            std::wstring::npos)
      << Utf8FromWideLossy(loaded);

  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), HXF_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), HXF_VERSION_MINOR);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), HXF_VERSION_PATCH);
  EXPECT_EQ(Utf8FromWideLossy(VersionString(info, L"ProductVersion")), HXF_VERSION);
}

// What the system's dialog showed, and the answer given to it from another thread while it runs
// its modal loop on the window's.
struct DialogSeen {
  std::wstring folder;
  std::string filter;
};

class DialogAnswerer {
 public:
  DialogAnswerer(std::string caption, std::wstring path, bool choose) {
    thread_ = std::thread([this, caption = std::move(caption), path = std::move(path), choose] {
      HWND dialog = nullptr;
      for (int tries = 0; tries < 3000 && !stop_; ++tries) {
        const std::vector<HWND> standing = StandingBoxes(caption);
        if (standing.empty()) {
          if (dialog != nullptr) return;  // answered: it has closed
          Sleep(10);
          continue;
        }
        if (dialog == nullptr) {
          dialog = standing.back();
          wchar_t folder[MAX_PATH * 4] = {};
          SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH * 4, reinterpret_cast<LPARAM>(folder));
          seen.folder = folder;
          seen.filter = Utf8Text(GetDlgItem(dialog, cmb1));
        }
        // The name typed as a user types it; pressed again until the dialog has taken it.
        if (choose)
          SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(path.c_str()));
        PressBoxButton(dialog, choose ? IDOK : IDCANCEL);
        answered = true;
        Sleep(50);
      }
    });
  }
  ~DialogAnswerer() {
    stop_ = true;
    thread_.join();
  }

  DialogSeen seen;
  std::atomic<bool> answered{false};

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct DialogCase {
  const char* name;
  bool unpack;
  bool choose;
};

TEST(Win32RealDialogTest, DialogsStartInTheProgramsFolderWithThePackageFilter) {
  const DialogCase cases[] = {
      {"open, chosen", true, true},
      {"open, cancelled", true, false},
      {"save, chosen", false, true},
      {"save, cancelled", false, false},
  };
  for (const DialogCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.unpack) WriteFile(dir / "fw.hxf", BuildPackage({{"a.txt", "abc"}}));
    WriteFile(dir / "in_hxf/a.txt", "abc");
    Result<std::unique_ptr<TForm1>> created = TForm1::Create();
    ASSERT_TRUE(created.ok()) << created.status().message();
    TForm1& window = *created.value();
    window.Show();
    ServePending(window);
    {
      // Typed as a user types it, with backslashes.
      std::wstring typed = WideFromUtf8Lossy(dir / "fw.hxf");
      std::replace(typed.begin(), typed.end(), L'/', L'\\');
      DialogAnswerer answerer(c.unpack ? "Open" : "Save As", typed, c.choose);
      Click(c.unpack ? window.Button1 : window.Button2);  // returns once the dialog has closed
      ASSERT_TRUE(answerer.answered);
      EXPECT_EQ(Utf8FromWideLossy(answerer.seen.folder), DirectoryPart(ExecutablePath()));
      EXPECT_EQ(answerer.seen.filter, ".hxf filename");
    }
    EXPECT_EQ(window.RunningJobs(), c.choose ? 1u : 0u);
    ASSERT_TRUE(ServeUntil(window, [&] { return window.RunningJobs() == 0; }));
    if (c.unpack) {
      EXPECT_EQ(Exists(dir / "out_hxf/a.txt"), c.choose);
    } else {
      EXPECT_EQ(Exists(dir / "fw.hxf"), c.choose);
    }
  }
}

}  // namespace
}  // namespace hxf::testing
