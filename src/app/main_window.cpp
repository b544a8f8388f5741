#include "app/main_window.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "app/exit_confirmation.h"
#include "app/startup.h"
#include "app/startup_window.h"
#include "ui/assets.h"
#include "ui/skin.h"
#include "util/text.h"

namespace {

constexpr UINT kRunTasksMessage = WM_APP + 1;
constexpr UINT kFlushLogMessage = WM_APP + 2;
constexpr UINT_PTR kMemoryTrimTimer = 1;  // the design's timer "内存_优化"
constexpr int kPageIdBase = 1900;

const wchar_t kMainClass[] = L"QuorvaneMainWindow";
const wchar_t kContainerClass[] = L"QuorvaneContainer";

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

bool isStatic(HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  return lstrcmpiW(name, L"Static") == 0;
}

// ---- container: a child window that passes its children's notifications on ----

struct ContainerData {
  HBITMAP picture = nullptr;
};

LRESULT CALLBACK containerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* data = reinterpret_cast<ContainerData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_MEASUREITEM: {
      HWND root = GetAncestor(hwnd, GA_ROOT);
      if (root && root != hwnd) return SendMessageW(root, msg, wp, lp);
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetBkMode(dc, TRANSPARENT);
      // Labels over a picture let it show through; everything else gets the
      // page colour.
      if (data && data->picture && isStatic(reinterpret_cast<HWND>(lp)))
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wp);
      RECT rc;
      GetClientRect(hwnd, &rc);
      if (data && data->picture) {
        BITMAP bm{};
        GetObjectW(data->picture, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, data->picture);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      } else {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
      }
      return 1;
    }
    case WM_NCDESTROY:
      if (data) {
        if (data->picture) DeleteObject(data->picture);
        delete data;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- sliders: the handler runs when the left button is released over one ----

LRESULT CALLBACK sliderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, sliderProc, id);
  } else if (msg == WM_LBUTTONUP) {
    LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
    HWND main = GetAncestor(hwnd, GA_ROOT);
    // The slider's owner learns of it through a command, so the handler runs in
    // the main window like every other.
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(UINT(id), 0), reinterpret_cast<LPARAM>(hwnd));
    return r;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void registerClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = containerProc;
  wc.hInstance = instance();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kContainerClass;
  RegisterClassExW(&wc);
}

}  // namespace

MainWindow::MainWindow(AppState& state) : state_(state) {}

MainWindow::~MainWindow() {
  startup_.reset();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (systemMenu_) DestroyMenu(systemMenu_);
  if (font_) DeleteObject(font_);
  if (ownIcons_) {
    if (smallIcon_) DestroyIcon(smallIcon_);
    if (bigIcon_) DestroyIcon(bigIcon_);
  }
}

bool MainWindow::create(bool runStartup) {
  runStartup_ = runStartup;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  registerClasses();

  static bool mainClassDone = false;
  if (!mainClassDone) {
    mainClassDone = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kMainClass;
    RegisterClassExW(&wc);
  }

  if (!font_)
    font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        text::toWide("宋体").c_str());

  const int width = 703, height = 600;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - 618) / 2;
  HWND h = CreateWindowExW(0, kMainClass, text::toWide("Quorvane V3.06").c_str(),
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                           x < 0 ? 0 : x, y < 0 ? 0 : y, width, height, nullptr, nullptr, instance(), this);
  return h != nullptr;
}

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT r = self->handle(msg, wp, lp);
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  return r;
}

LRESULT MainWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
  if (auto it = messages_.find(msg); it != messages_.end()) {
    MessageHandler handler = it->second;  // a handler may replace itself
    LRESULT result = 0;
    if (handler(wp, lp, result)) return result;
  }
  switch (msg) {
    case WM_CREATE: {
      state_.mainWindow = hwnd_;
      {
        std::lock_guard<std::mutex> lock(tasksMutex_);
        taskTarget_ = hwnd_;
      }
      buildFrame();
      buildStartPage(*this, pages_[0]);
      buildCollectPage(*this, pages_[1]);
      buildConfigPage(*this, pages_[2]);
      buildHelpPage(*this, pages_[3]);
      attachDiscovery(*this);
      attachGeneration(*this);
      showPage(0);
      if (HWND log = control(kLogBox)) SendMessageW(log, EM_SETLIMITTEXT, 0, 0);
      HWND self = hwnd_;
      state_.log.setNotify([self] { PostMessageW(self, kFlushLogMessage, 0, 0); });
      flushLog();
      if (runStartup_) runStartupSequence(*this);
      return 0;
    }
    case WM_COMMAND: {
      auto it = commands_.find(LOWORD(wp));
      if (it != commands_.end()) {
        CommandHandler handler = it->second;
        handler(HIWORD(wp));
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lp);
      // The navigation bar switches the pages; the tab headers do not.
      if (nm->idFrom == UINT_PTR(kPages) && nm->code == UINT(TCN_SELCHANGING)) return TRUE;
      auto it = notifies_.find(int(nm->idFrom));
      if (it != notifies_.end()) {
        NotifyHandler handler = it->second;
        return handler(nm);
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CLOSE:
      // The close box only hides the window; the notification-area icon brings it back.
      ShowWindow(hwnd_, SW_HIDE);
      return 0;
    case WM_ACTIVATE:
      if (repaintNavigation) repaintNavigation();
      break;
    case WM_TIMER:
      if (wp == kMemoryTrimTimer) {
        SetProcessWorkingSetSize(GetCurrentProcess(), SIZE_T(-1), SIZE_T(-1));
        return 0;
      }
      break;
    case WM_SIZE:
      if (HWND status = control(kStatusBar)) SendMessageW(status, WM_SIZE, 0, 0);
      break;
    case kRunTasksMessage:
      runTasks();
      return 0;
    case kFlushLogMessage:
      flushLog();
      return 0;
    case WM_DESTROY:
      state_.log.setNotify({});
      KillTimer(hwnd_, kMemoryTrimTimer);
      break;
    case WM_NCDESTROY: {
      std::vector<std::function<void()>> dropped;
      {
        std::lock_guard<std::mutex> lock(tasksMutex_);
        taskTarget_ = nullptr;
        dropped.swap(tasks_);
      }
      HWND h = hwnd_;
      if (state_.mainWindow == h) state_.mainWindow = nullptr;
      hwnd_ = nullptr;
      return DefWindowProcW(h, msg, wp, lp);
    }
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::buildFrame() {
  // The program's icon, so the notification area shows it too.
  smallIcon_ = assets::loadProgramIcon(GetSystemMetrics(SM_CXSMICON));
  bigIcon_ = assets::loadProgramIcon(GetSystemMetrics(SM_CXICON));
  ownIcons_ = true;
  if (!smallIcon_ || !bigIcon_) {
    if (smallIcon_) DestroyIcon(smallIcon_);
    if (bigIcon_) DestroyIcon(bigIcon_);
    ownIcons_ = false;
    smallIcon_ = bigIcon_ = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  }
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));

  createControl(hwnd_, L"STATIC", "", WS_VISIBLE | SS_NOTIFY, 0, 0, 736, 64, kNavHost);
  createControl(hwnd_, L"STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 0, 64, 755, 2, kSeparatorTop);
  HWND banner = createContainer(hwnd_, kBanner, -1, 65, 704, 38);
  createControl(banner, L"STATIC", "", WS_VISIBLE | SS_CENTERIMAGE | SS_NOPREFIX, 160, 10, 528, 24, kBannerHint);

  HWND tabs = createControl(hwnd_, WC_TABCONTROLW, "", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, -3, 107, 702,
                            469, kPages);
  const char* names[4] = {"开始", "采集", "配置", "帮助"};
  for (int i = 0; i < 4; ++i) {
    std::wstring caption = text::toWide(names[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(tabs, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    pages_[i] = createContainer(tabs, kPageIdBase + i, 0, 0, 10, 10);
    ShowWindow(pages_[i], SW_HIDE);
  }
  layoutPages();

  HWND status = createControl(hwnd_, STATUSCLASSNAMEW, "", WS_VISIBLE, 0, 529, 723, 20, kStatusBar);
  SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text::toWide("版本号：V3.0.6").c_str()));

  // The colour sliders lie to the right of the window's width, as designed.
  struct Slider {
    ControlId id;
    int top, maximum, start;
  } sliders[] = {{kHueSlider, 88, 361, 181}, {kSaturationSlider, 113, 201, 101}, {kBrightnessSlider, 137, 201, 101}};
  for (const Slider& s : sliders) {
    HWND slider = createControl(hwnd_, TRACKBAR_CLASSW, "", WS_VISIBLE | TBS_HORZ | TBS_NOTICKS, 760, s.top, 125, 20,
                                s.id);
    SendMessageW(slider, TBM_SETRANGEMIN, FALSE, 1);
    SendMessageW(slider, TBM_SETRANGEMAX, FALSE, s.maximum);
    SendMessageW(slider, TBM_SETPOS, TRUE, s.start);
    SetWindowSubclass(slider, sliderProc, UINT_PTR(s.id), 0);
    ControlId id = s.id;
    onCommand(id, [this, id](int) { sliderReleased(id); });
  }

  systemMenu_ = CreatePopupMenu();
  AppendMenuW(systemMenu_, MF_STRING, kMenuExitProgram, text::toWide("退出程序").c_str());
  onCommand(kMenuExitProgram, [this](int) { showExitConfirmation(); });
}

void MainWindow::layoutPages() {
  HWND tabs = control(kPages);
  if (!tabs) return;
  RECT rc;
  GetClientRect(tabs, &rc);
  if (!pageHeadersHidden_) SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
  for (HWND p : pages_)
    if (p) MoveWindow(p, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void MainWindow::setPageControlProperty(int value) {
  pageHeadersHidden_ = value == 1;
  layoutPages();
}

void MainWindow::setPageControlHeight(int height) {
  HWND tabs = control(kPages);
  if (!tabs) return;
  RECT rc;
  GetWindowRect(tabs, &rc);
  SetWindowPos(tabs, nullptr, 0, 0, rc.right - rc.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  layoutPages();
}

void MainWindow::startMemoryTrimTimer() { SetTimer(hwnd_, kMemoryTrimTimer, 3000, nullptr); }

HWND MainWindow::page(int index) const { return index >= 0 && index < 4 ? pages_[index] : nullptr; }

void MainWindow::showPage(int index) {
  if (index < 0 || index >= 4) return;
  if (HWND tabs = control(kPages)) SendMessageW(tabs, TCM_SETCURSEL, WPARAM(index), 0);
  for (int i = 0; i < 4; ++i)
    if (pages_[i]) ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
}

int MainWindow::currentPage() const {
  HWND tabs = control(kPages);
  return tabs ? int(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)) : -1;
}

HWND MainWindow::control(ControlId id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void MainWindow::registerControl(ControlId id, HWND hwnd) {
  controls_[id] = hwnd;
  if (hwnd && font_ && !SendMessageW(hwnd, WM_GETFONT, 0, 0))
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

std::string MainWindow::controlText(ControlId id) const {
  HWND h = control(id);
  if (!h) return {};
  int n = GetWindowTextLengthW(h);
  std::wstring w(size_t(n) + 1, L'\0');
  n = GetWindowTextW(h, w.data(), n + 1);
  w.resize(size_t(n < 0 ? 0 : n));
  return text::fromWide(w);
}

void MainWindow::setControlText(ControlId id, const std::string& gbk) {
  HWND h = control(id);
  if (!h) return;
  SetWindowTextW(h, text::toWide(gbk).c_str());
  if (isStatic(h)) {
    // A label may be transparent: what lay under the old text must be drawn again.
    HWND parent = GetParent(h);
    RECT rc;
    GetWindowRect(h, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void MainWindow::onCommand(int id, CommandHandler handler) { commands_[id] = std::move(handler); }
void MainWindow::onNotify(int id, NotifyHandler handler) { notifies_[id] = std::move(handler); }
void MainWindow::onMessage(UINT msg, MessageHandler handler) { messages_[msg] = std::move(handler); }

void MainWindow::postTask(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(tasksMutex_);
  if (!taskTarget_) return;
  bool first = tasks_.empty();
  tasks_.push_back(std::move(task));
  if (first) PostMessageW(taskTarget_, kRunTasksMessage, 0, 0);
}

void MainWindow::runTasks() {
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(tasksMutex_);
    batch.swap(tasks_);
  }
  for (auto& task : batch)
    if (task) task();
}

void MainWindow::pumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));  // the loop that owns the process sees it
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void MainWindow::flushLog() {
  HWND box = control(kLogBox);
  if (!box) return;
  std::string pending = state_.log.takePending();
  if (pending.empty()) return;
  // Append at the end: the cost follows the new text, not the whole record.
  int end = GetWindowTextLengthW(box);
  SendMessageW(box, EM_SETSEL, WPARAM(end), LPARAM(end));
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text::toWide(pending).c_str()));
}

HWND MainWindow::createControl(HWND parent, const wchar_t* className, const std::string& textGbk, DWORD style,
                               int x, int y, int width, int height, int id, DWORD exStyle) {
  HWND h = CreateWindowExW(exStyle, className, text::toWide(textGbk).c_str(), style | WS_CHILD, x, y, width, height,
                           parent, reinterpret_cast<HMENU>(INT_PTR(id)), instance(), nullptr);
  if (!h) return nullptr;
  if (font_) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (id) registerControl(ControlId(id), h);
  return h;
}

HWND MainWindow::createContainer(HWND parent, int id, int x, int y, int width, int height, DWORD exStyle) {
  registerClasses();
  auto* data = new ContainerData;
  HWND h = CreateWindowExW(exStyle | WS_EX_CONTROLPARENT, kContainerClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), instance(), data);
  if (!h) {
    delete data;
    return nullptr;
  }
  if (id > 0 && id < kPageIdBase) registerControl(ControlId(id), h);
  return h;
}

void MainWindow::setPanelPicture(ControlId id, HBITMAP picture) {
  HWND h = control(id);
  auto* data = h ? reinterpret_cast<ContainerData*>(GetWindowLongPtrW(h, GWLP_USERDATA)) : nullptr;
  wchar_t name[32] = {};
  if (h) GetClassNameW(h, name, 32);
  if (!data || lstrcmpW(name, kContainerClass) != 0) {
    if (picture) DeleteObject(picture);
    return;
  }
  if (data->picture && data->picture != picture) DeleteObject(data->picture);
  data->picture = picture;
  // Transparent labels on a picture need the picture drawn under them first.
  LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  style = picture ? (style & ~LONG_PTR(WS_CLIPCHILDREN)) : (style | WS_CLIPCHILDREN);
  SetWindowLongPtrW(h, GWL_STYLE, style);
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::sliderReleased(int id) {
  HWND slider = control(ControlId(id));
  if (!slider) return;
  int p = int(SendMessageW(slider, TBM_GETPOS, 0, 0));
  if (id == kHueSlider) state_.skinHue = p - 181;
  if (id == kSaturationSlider) state_.skinSaturation = p - 101;
  if (id == kBrightnessSlider) state_.skinBrightness = p - 101;
  skinAdjust(state_, state_.skinHue, state_.skinSaturation, state_.skinBrightness);
}

void MainWindow::showExitConfirmation() {
  if (confirmationOpen_) {
    bringExitConfirmationToFront();
    return;
  }
  confirmationOpen_ = true;
  bool confirmed = runExitConfirmation(hwnd_, font_);
  confirmationOpen_ = false;
  if (!confirmed || endRequested_) return;
  for (auto& hook : exitHooks_)
    if (hook) hook();
  endProcess(0);
}

void MainWindow::onExit(std::function<void()> hook) { exitHooks_.push_back(std::move(hook)); }

void MainWindow::endProcess(int exitCode) {
  state_.exitCode = exitCode;
  endRequested_ = true;
  PostQuitMessage(exitCode);
}

void MainWindow::setStartupWindow(std::unique_ptr<StartupWindow> window) { startup_ = std::move(window); }
