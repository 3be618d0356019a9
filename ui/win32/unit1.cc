#include "ui/win32/unit1.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/file_system.h"
#include "core/wide_string_win32.h"
#include "core/windows_status.h"
#include "ui/win32/dpi.h"
#include "ui/win32/file_dialog.h"
#include "ui/win32/log_box.h"
#include "ui/win32/system_boxes.h"
#include "ui/window_layout.h"
#include "ui/window_texts.h"

namespace hxf {

namespace {

constexpr wchar_t kWindowClass[] = L"HxfTForm1";
// Not IDOK and IDCANCEL, which the dialog keys send for Enter and Escape.
constexpr WORD kButton1Id = 101;
constexpr WORD kButton2Id = 102;
// One posted task to run, oldest first.
constexpr UINT kRunTask = WM_APP + 1;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT_PTR kFirstTaskTimer = 100;
constexpr UINT kProgressPollMs = 100;
constexpr int kIconId = 1;  // in hxf-gui.rc

ATOM RegisterWindowClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    window_class.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassExW(&window_class);
  }();
  return atom;
}

ProgramPaths OwnPaths() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  std::string executable = Utf8FromWideLossy(path);
  std::string directory = DirectoryPart(executable);
  return {std::move(executable), std::move(directory)};
}

std::wstring Credits() {
  std::wstring text;
  for (const char* line : ui_text::kCredits) {
    if (!text.empty()) text += L"\r\n";
    text += WideFromUtf8Lossy(line);
  }
  return text;
}

}  // namespace

Result<std::unique_ptr<TForm1>> TForm1::Create(std::unique_ptr<CommonDialog> dialog,
                                               JobFactory make_job) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  if (RegisterWindowClass(WindowProcedure) == 0) {
    return WindowsStatus(GetLastError(), "register the class of", "the window");
  }
  std::unique_ptr<TForm1> form(new TForm1(std::move(dialog), std::move(make_job)));
  const layout::Bounds& outer = layout::kWindow;
  // The window procedure takes the handle as the window is made (WM_NCCREATE).
  CreateWindowExW(0, kWindowClass, WideFromUtf8Lossy(ui_text::kCaption).c_str(),
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, outer.left, outer.top, outer.width,
                  outer.height, nullptr, nullptr, GetModuleHandleW(nullptr), form.get());
  if (!form->window_) return WindowsStatus(GetLastError(), "create", "the window");
  if (Status status = form->CreateComponents(); !status.ok()) return status;

  const UINT dpi = WindowDpi(form->Handle());
  const RECT bounds = ScaleToDpi(outer, dpi);
  SetWindowPos(form->Handle(), nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
  form->PlaceComponents(dpi);
  if (auto* system_dialog = dynamic_cast<FileCommonDialog*>(form->CD1.get())) {
    system_dialog->SetOwner(form->Handle());
  }
  DragAcceptFiles(form->Handle(), TRUE);
  return form;
}

TForm1::TForm1(std::unique_ptr<CommonDialog> dialog, JobFactory make_job)
    : CD1(std::move(dialog)),
      ui_thread_(GetCurrentThreadId()),
      boxes_([this](std::function<void()> task) { PostToUiThread(std::move(task)); }) {
  if (!CD1) CD1 = std::make_unique<FileCommonDialog>();
  WindowView& view = *this;
  logic_ = std::make_unique<WindowLogic>(view, *CD1, OwnPaths(), std::move(make_job));
}

TForm1::~TForm1() {
  logic_->Shutdown();
  // What the system sends while the window goes is none of the window's business any more.
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.Reset();
}

Status TForm1::CreateComponents() {
  const HWND parent = window_.get();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto make = [&](DWORD extended, const wchar_t* window_class, const std::wstring& text,
                  DWORD style, WORD id) {
    return CreateWindowExW(extended, window_class, text.c_str(), WS_CHILD | style, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance,
                           nullptr);
  };
  // Made in the tab order: the dialog keys walk the components in the order they were made.
  constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  // Editable, wrapped at the box's width (no horizontal scrolling), Enter starts a new line.
  constexpr DWORD kMemo = WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  Button1 = make(0, L"BUTTON", WideFromUtf8Lossy(ui_text::kUnpackButton), kButton, kButton1Id);
  Button2 = make(0, L"BUTTON", WideFromUtf8Lossy(ui_text::kRepackButton), kButton, kButton2Id);
  Memo1 = make(WS_EX_CLIENTEDGE, L"EDIT", L"", kMemo | WS_VSCROLL, 0);
  Memo2 = make(WS_EX_CLIENTEDGE, L"EDIT", Credits(), kMemo, 0);
  Progress = make(0, PROGRESS_CLASSW, L"", PBS_SMOOTH, 0);
  for (HWND component : {Button1, Button2, Memo1, Memo2, Progress}) {
    if (component == nullptr)
      return WindowsStatus(GetLastError(), "create", "the window's components");
  }
  for (HWND memo : {Memo1, Memo2}) SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);  // no length limit
  focus_ = Button1;
  return Status::Ok();
}

void TForm1::PlaceComponents(UINT dpi) {
  const struct {
    HWND component;
    const layout::Bounds& bounds;
  } places[] = {{Button1, layout::kButton1},
                {Button2, layout::kButton2},
                {Memo1, layout::kMemo1},
                {Memo2, layout::kMemo2},
                {Progress, layout::kProgress}};
  // "MS Sans Serif", 8 points: 11 pixels high at 96 dots per inch.
  font_.Reset(CreateFontW(-MulDiv(layout::kFontPoints, static_cast<int>(dpi), 72), 0, 0, 0,
                          FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                          WideFromUtf8Lossy(layout::kFontFamily).c_str()));
  for (const auto& place : places) {
    const RECT bounds = ScaleToDpi(place.bounds, dpi);
    SetWindowPos(place.component, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(place.component, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }
}

void TForm1::Show(int how) {
  ShowWindow(window_.get(), how);
  UpdateWindow(window_.get());
  SetFocus(focus_);
}

bool TForm1::PreTranslate(MSG& message) {
  // Enter on a focused button presses it, as Space does.
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
      (message.hwnd == Button1 || message.hwnd == Button2)) {
    if (IsWindowEnabled(message.hwnd)) SendMessageW(message.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  // A multi-line edit box takes Tab for itself; here Tab leaves it, as in the other components,
  // and Ctrl+Tab types a tab.
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      (message.hwnd == Memo1 || message.hwnd == Memo2) && GetKeyState(VK_CONTROL) >= 0) {
    const bool back = GetKeyState(VK_SHIFT) < 0;
    if (const HWND next = GetNextDlgTabItem(window_.get(), message.hwnd, back)) {
      if (next == Memo1 || next == Memo2) SendMessageW(next, EM_SETSEL, 0, -1);
      SetFocus(next);
    }
    return true;
  }
  return IsDialogMessageW(window_.get(), &message) != FALSE;
}

// --- Messages ---

LRESULT CALLBACK TForm1::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->window_.Reset(window);
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return form->OnMessage(message, wparam, lparam);
}

LRESULT TForm1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case kRunTask:
      RunNextTask();
      return 0;
    case WM_TIMER:
      OnTimer(wparam);
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      break;
    case WM_SETFOCUS:
      if (focus_ != nullptr) SetFocus(focus_);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
      return DefWindowProcW(window_.Release(), message, wparam, lparam);
    default:
      break;
  }
  return DefWindowProcW(window_.get(), message, wparam, lparam);
}

void TForm1::OnCommand(WORD id, WORD code) {
  if (code != BN_CLICKED) return;
  if (id == kButton1Id) logic_->Button1Click();
  if (id == kButton2Id) logic_->Button2Click();
}

void TForm1::OnTimer(UINT_PTR id) {
  if (id == kProgressTimer) {
    if (poll_progress_) poll_progress_();
    return;
  }
  auto task = timed_tasks_.find(id);
  if (task == timed_tasks_.end()) return;
  KillTimer(window_.get(), id);
  std::function<void()> run = std::move(task->second);
  timed_tasks_.erase(task);
  run();
}

void TForm1::OnDropFiles(HDROP drop) {
  const UniqueDrop files(drop);
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    // A name that is not whole UTF-16 names no file the jobs could open.
    if (std::string utf8; Utf8FromWide(path, utf8)) paths.push_back(std::move(utf8));
  }
  logic_->Drop(paths);
}

void TForm1::OnClose() {
  if (closed_ || !logic_->CloseRequested()) return;
  closed_ = true;
  ShowWindow(window_.get(), SW_HIDE);
  if (on_closed_) on_closed_();
}

void TForm1::OnDpiChanged(UINT dpi, const RECT& suggested) {
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceComponents(dpi);
}

void TForm1::OnActivate(bool active) {
  // The component that had the focus gets it back when the window is active again.
  if (active) return;
  if (const HWND focus = GetFocus(); focus != nullptr && IsChild(window_.get(), focus)) {
    focus_ = focus;
  }
}

// --- Threads ---

bool TForm1::OnUiThread() const {
  return GetCurrentThreadId() == ui_thread_;
}

void TForm1::PostToUiThread(std::function<void()> task) {
  {
    std::lock_guard lock(tasks_mutex_);
    tasks_.push_back(std::move(task));
  }
  // A message to the window, not to the thread: modal loops (dialogs, boxes) serve it too.
  PostMessageW(window_.get(), kRunTask, 0, 0);
}

void TForm1::RunNextTask() {
  std::function<void()> task;
  {
    std::lock_guard lock(tasks_mutex_);
    if (tasks_.empty()) return;
    task = std::move(tasks_.front());
    tasks_.pop_front();
  }
  task();
}

void TForm1::PostToUiThreadAfter(int milliseconds, std::function<void()> task) {
  const UINT_PTR id = kFirstTaskTimer + next_timer_++;
  timed_tasks_.emplace(id, std::move(task));
  SetTimer(window_.get(), id, static_cast<UINT>(milliseconds), nullptr);
}

void TForm1::ServeEventsUntil(const std::function<bool()>& done) {
  // Posted messages (tasks, timers), sent ones and painting; the user's input stays queued.
  constexpr UINT kServed = PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE | PM_QS_PAINT;
  bool quit = false;
  int exit_code = 0;
  while (!done()) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | kServed)) {
      MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE,
                                  QS_POSTMESSAGE | QS_TIMER | QS_SENDMESSAGE | QS_PAINT, 0);
      continue;
    }
    if (message.message == WM_QUIT) {
      quit = true;  // for the loop that waits for it, once this one is done
      exit_code = static_cast<int>(message.wParam);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (quit) PostQuitMessage(exit_code);
}

// --- The log, boxes, progress ---

void TForm1::InsertLogLines(const std::vector<std::string>& lines) {
  std::wstring text;
  for (const std::string& line : lines) text += WideFromUtf8Lossy(line) + L"\r\n";
  InsertAtTop(Memo1, text);
}

void TForm1::ShowMessageBox(const WorkerMessage& message, std::function<void()> closed) {
  boxes_.Show(message, std::move(closed));
}

void TForm1::AskAboutExistingFiles(const std::string& folder,
                                   std::function<void(ExistingFiles)> answered) {
  // The system's Yes, No and Cancel, in the question's own words; No, which keeps the user's
  // files and so loses nothing, is the default.
  const JobBox question{ui_text::kExistingFiles,
                        ui_text::kExistingFilesCaption,
                        folder,
                        MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2,
                        {{IDYES, ui_text::kReplaceFiles},
                         {IDNO, ui_text::kKeepChanged},
                         {IDCANCEL, ui_text::kCancelUnpack}}};
  boxes_.Ask(question, [answered = std::move(answered)](int button) {
    switch (button) {
      case IDYES:
        return answered(ExistingFiles::kReplace);
      case IDNO:
        return answered(ExistingFiles::kKeep);
      default:
        return answered(ExistingFiles::kCancel);
    }
  });
}

void TForm1::CloseMessageBoxes() {
  boxes_.CloseAll();
}

void TForm1::ShowErrorBox(const std::string& text, const std::string& caption) {
  ShowStandardErrorBox(window_.get(), text, caption);
}

CloseChoice TForm1::AskAboutRunningJobs() {
  return hxf::AskAboutRunningJobs(window_.get());
}

void TForm1::ShowProgress(const ProgressState& progress) {
  if (!progress.visible) {
    ShowWindow(Progress, SW_HIDE);
    return;
  }
  // The marquee style is what a bar of unknown length is; it cannot show a position.
  const LONG_PTR style = GetWindowLongPtrW(Progress, GWL_STYLE);
  const LONG_PTR wanted = progress.busy ? (style | PBS_MARQUEE) : (style & ~PBS_MARQUEE);
  if (wanted != style) SetWindowLongPtrW(Progress, GWL_STYLE, wanted);
  SendMessageW(Progress, PBM_SETMARQUEE, progress.busy, 0);
  if (!progress.busy) {
    SendMessageW(Progress, PBM_SETRANGE32, 0, ProgressState::kProgressSteps);
    SendMessageW(Progress, PBM_SETPOS, static_cast<WPARAM>(progress.value), 0);
  }
  ShowWindow(Progress, SW_SHOWNA);
}

void TForm1::PollProgress(bool on, std::function<void()> poll) {
  if (!on) {
    KillTimer(window_.get(), kProgressTimer);
    poll_progress_ = nullptr;
    return;
  }
  poll_progress_ = std::move(poll);
  SetTimer(window_.get(), kProgressTimer, kProgressPollMs, nullptr);
}

void TForm1::EnableJobs(bool enabled) {
  EnableWindow(Button1, enabled);
  EnableWindow(Button2, enabled);
  DragAcceptFiles(window_.get(), enabled);
}

void TForm1::CloseWindow() {
  PostMessageW(window_.get(), WM_CLOSE, 0, 0);
}

}  // namespace hxf
