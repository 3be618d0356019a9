// The Win32 window as it shows: its caption, bounds, frame, colour and font, its components in
// their bounds and tab order, the dialog keys, and the program's start with its error box.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/version.h"
#include "tests/win32/window_driver.h"
#include "tests/window/scripted_dialog.h"
#include "ui/error_box_text.h"
#include "ui/win32/dpi.h"
#include "ui/win32/start_up.h"
#include "ui/win32/unit1.h"
#include "ui/window_layout.h"

namespace hxf::testing {
namespace {

using Lines = std::vector<std::string>;

void ExpectBounds(HWND window, const layout::Bounds& expected, UINT dpi) {
  const RECT scaled = ScaleToDpi(expected, dpi);
  const layout::Bounds actual = BoundsOf(window);
  EXPECT_EQ(actual.left, scaled.left);
  EXPECT_EQ(actual.top, scaled.top);
  EXPECT_EQ(actual.width, scaled.right - scaled.left);
  EXPECT_EQ(actual.height, scaled.bottom - scaled.top);
}

bool HasStyle(HWND window, LONG_PTR style) {
  return (GetWindowLongPtrW(window, GWL_STYLE) & style) == style;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return name;
}

class Win32WindowLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto dialog = std::make_unique<ScriptedDialog>();
    dialog_ = dialog.get();
    Result<std::unique_ptr<TForm1>> created = TForm1::Create(std::move(dialog));
    ASSERT_TRUE(created.ok()) << created.status().message();
    window_ = std::move(created.value());
    window_->Show();
    ServePending(*window_);
    dpi_ = WindowDpi(window_->Handle());
  }

  // Presses `key` on the component with the focus, as the keyboard does.
  void Press(WPARAM key) {
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) PostMessageW(GetFocus(), message, key, 0);
    ServePending(*window_);
  }

  ScriptedDialog* dialog_ = nullptr;
  std::unique_ptr<TForm1> window_;
  UINT dpi_ = kDesignDpi;
};

TEST_F(Win32WindowLookTest, WindowHasItsCaptionBoundsFrameAndColour) {
  const HWND window = window_->Handle();
  EXPECT_EQ(Utf8Text(window), "HXF打包处理程序");
  ExpectBounds(window, layout::kWindow, dpi_);
  for (const LONG_PTR style :
       {WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX}) {
    EXPECT_TRUE(HasStyle(window, style)) << std::hex << style;
  }
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
}

struct ComponentCase {
  const char* name;
  HWND TForm1::*component;
  const wchar_t* window_class;
  layout::Bounds bounds;
  Lines text;
};

TEST_F(Win32WindowLookTest, ComponentsSitAtTheirBoundsWithTheirTextsAndFont) {
  const ComponentCase cases[] = {
      {"Button1", &TForm1::Button1, L"Button", layout::kButton1, {"Unpack HXF"}},
      {"Button2", &TForm1::Button2, L"Button", layout::kButton2, {"RePack HXF"}},
      {"Memo1", &TForm1::Memo1, L"Edit", layout::kMemo1, {}},
      {"Memo2",
       &TForm1::Memo2,
       L"Edit",
       layout::kMemo2,
       {"hxf " HXF_VERSION ": unpacks and repacks HXF packages.",
        "Unpack writes out_hxf beside the package;",
        "repack reads in_hxf beside it. Free to use."}},
  };
  // Resized, the window keeps its components where they are.
  for (const bool resized : {false, true}) {
    if (resized) {
      SetWindowPos(window_->Handle(), nullptr, 0, 0, 700, 800, SWP_NOMOVE | SWP_NOZORDER);
    }
    for (const ComponentCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (resized ? ", resized" : ""));
      const HWND component = (*window_).*c.component;
      EXPECT_EQ(_wcsicmp(ClassOf(component).c_str(), c.window_class), 0);
      ExpectBounds(component, c.bounds, dpi_);
      EXPECT_EQ(LogLines(component), c.text);
      LOGFONTW font{};
      ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(component, WM_GETFONT, 0, 0)),
                           sizeof font, &font),
                0);
      EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
      EXPECT_EQ(font.lfHeight,
                -MulDiv(8, static_cast<int>(dpi_), 72));  // 8 points: 11 pixels at 96
    }
  }
}

TEST_F(Win32WindowLookTest, MovedToADenserScreenItScalesItsBoundsAndFont) {
  constexpr UINT kDenser = 144;
  const RECT suggested = ScaleToDpi(layout::kWindow, kDenser);
  SendMessageW(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(kDenser, kDenser),
               reinterpret_cast<LPARAM>(&suggested));
  // The window takes the bounds the system suggests (a screen this small cuts them short).
  const struct {
    HWND component;
    const layout::Bounds& bounds;
  } cases[] = {{window_->Button1, layout::kButton1},
               {window_->Button2, layout::kButton2},
               {window_->Memo1, layout::kMemo1},
               {window_->Memo2, layout::kMemo2},
               {window_->Progress, layout::kProgress}};
  for (const auto& c : cases) {
    ExpectBounds(c.component, c.bounds, kDenser);
    LOGFONTW font{};
    ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c.component, WM_GETFONT, 0, 0)),
                         sizeof font, &font),
              0);
    EXPECT_EQ(font.lfHeight, -16);  // 8 points at 144 dots per inch
  }
}

TEST_F(Win32WindowLookTest, BothBoxesAreEditableWrapAndHaveNoLengthLimit) {
  for (HWND memo : {window_->Memo1, window_->Memo2}) {
    EXPECT_TRUE(HasStyle(memo, ES_MULTILINE));
    EXPECT_FALSE(HasStyle(memo, ES_AUTOHSCROLL));  // wraps at its width
    EXPECT_FALSE(HasStyle(memo, ES_READONLY));
    EXPECT_GE(static_cast<unsigned long>(SendMessageW(memo, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEul);
  }
  EXPECT_TRUE(HasStyle(window_->Memo1, WS_VSCROLL));
}

TEST_F(Win32WindowLookTest, TabWalksTheComponentsInTheirOrder) {
  const std::vector<HWND> order = {window_->Button1, window_->Button2, window_->Memo1,
                                   window_->Memo2, window_->Button1};
  ASSERT_EQ(GetFocus(), window_->Button1);
  for (std::size_t i = 1; i < order.size(); ++i) {
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), order[i]) << i;
  }
  // Tab moved on from the boxes without typing into them.
  EXPECT_EQ(LogLines(window_->Memo1), Lines());
}

TEST_F(Win32WindowLookTest, EnterAndSpacePressTheFocusedButton) {
  const struct {
    WPARAM key;
    bool second_button;
    const char* dialog;
  } cases[] = {
      {VK_RETURN, false, "open"},
      {VK_SPACE, false, "open"},
      {VK_RETURN, true, "save"},
      {VK_SPACE, true, "save"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dialog);
    SetFocus(c.second_button ? window_->Button2 : window_->Button1);
    dialog_->shown.clear();
    Press(c.key);
    EXPECT_EQ(dialog_->shown, Lines({c.dialog}));
  }
}

TEST(Win32StartUpTest, AWindowThatCannotBeMadeIsReportedInTheStandardErrorBox) {
  std::string caption;
  std::string text;
  bool stop_icon = false;
  std::vector<int> buttons;
  const std::string title = ProgramTitle(ExecutablePath());
  BoxAnswerer answerer(title, [&](HWND box) {
    text = BoxText(box);
    stop_icon = BoxHasIcon(box);
    buttons = BoxButtons(box);
    return IDOK;
  });
  const int exit_code = RunMainWindow(
      [] { return Status::Error(Status::Code::kIoError, "the dialog control could not be made"); });
  EXPECT_EQ(exit_code, 1);
  ASSERT_TRUE(answerer.Answered());
  EXPECT_EQ(title, "win32_window_tests");
  EXPECT_EQ(text, "the dialog control could not be made.");
  EXPECT_TRUE(stop_icon);
  EXPECT_EQ(buttons, std::vector<int>({IDOK}));
}

TEST(Win32StartUpTest, TheMessageLoopRunsUntilTheWindowIsClosed) {
  HWND made = nullptr;
  const int exit_code = RunMainWindow([&made]() -> Result<std::unique_ptr<TForm1>> {
    Result<std::unique_ptr<TForm1>> window = TForm1::Create(std::make_unique<ScriptedDialog>());
    if (window.ok()) {
      made = window.value()->Handle();
      PostMessageW(made, WM_CLOSE, 0, 0);  // the user closes it once it shows
    }
    return window;
  });
  EXPECT_EQ(exit_code, 0);
  ASSERT_NE(made, nullptr);
  EXPECT_FALSE(IsWindow(made));
}

}  // namespace
}  // namespace hxf::testing
