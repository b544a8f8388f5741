#include "app/config_page.h"

#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

const char* const kFailureModes[3] = {"保持不变", "删除图片", "重新下载 仍失败删除"};
const char kTicked[] = "真";
const char kUnticked[] = "假";

bool ticked(MainWindow& w, ControlId id) {
  HWND h = w.control(id);
  return h && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setTicked(MainWindow& w, ControlId id, bool on) {
  if (HWND h = w.control(id)) SendMessageW(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Builds the controls of 选择夹2 at their design places, which count from the
// tab's own corner, on the body window inside the tab.
class PageBuilder {
 public:
  PageBuilder(MainWindow& w, HWND body, int originX, int originY) : w_(w), body_(body), ox_(originX), oy_(originY) {}

  HWND label(const char* caption, int x, int y, int width, int height, DWORD extra = SS_CENTERIMAGE) {
    return w_.createControl(body_, L"STATIC", caption, WS_VISIBLE | SS_NOPREFIX | extra, x - ox_, y - oy_, width,
                            height);
  }
  void line(int x, int y, int width) {
    w_.createControl(body_, L"STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, x - ox_, y - oy_, width, 2);
  }
  void check(ControlId id, const char* caption, int x, int y, int width, int height) {
    w_.createControl(body_, L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, x - ox_, y - oy_, width,
                     height, id);
  }
  void edit(ControlId id, const char* initial, int x, int y, int width, int height) {
    w_.createControl(body_, L"EDIT", initial, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, x - ox_, y - oy_, width,
                     height, id, WS_EX_CLIENTEDGE);
  }
  void radio(ControlId id, const char* caption, int x, int y, int width, int height, DWORD extra) {
    w_.createControl(body_, L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | extra, x - ox_, y - oy_,
                     width, height, id);
  }
  HWND raw(const wchar_t* cls, const char* caption, DWORD style, int x, int y, int width, int height, int id = 0) {
    return w_.createControl(body_, cls, caption, WS_VISIBLE | style, x - ox_, y - oy_, width, height, id);
  }

 private:
  MainWindow& w_;
  HWND body_;
  int ox_, oy_;
};

}  // namespace

void buildConfigPage(MainWindow& w, HWND page) {
  HWND tab = w.createControl(page, WC_TABCONTROLW, "", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 7, 5, 687, 457,
                             kConfigTab);
  std::wstring caption = text::toWide("宝贝采集设置");
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption.data();
  SendMessageW(tab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  RECT rc;
  GetClientRect(tab, &rc);
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
  HWND body = w.createContainer(tab, 0, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  // A group box draws only its frame: the body must paint what lies inside it.
  SetWindowLongPtrW(body, GWL_STYLE, GetWindowLongPtrW(body, GWL_STYLE) & ~LONG_PTR(WS_CLIPCHILDREN));
  PageBuilder b(w, body, rc.left, rc.top);

  // picture options
  b.label("宝贝图片选项", 32, 32, 88, 24);  // 透明标签7
  b.line(130, 44, 500);                     // 画板2
  b.check(kDownloadPictures, "下载描述图片", 145, 56, 104, 24);
  b.check(kSpaceOnly, "只下载淘宝空间图片", 257, 56, 128, 24);
  b.label("（只有“下载描述图片”选择时才有效）", 381, 55, 216, 24);  // 标签3
  b.line(130, 87, 500);                                             // 画板5

  // failure handling
  b.label("描述图片下载失败处理方式：", 136, 95, 156, 24);  // 透明标签16
  HWND combo = b.raw(WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 292, 96, 184, 120, kFailureMode);
  for (const char* mode : kFailureModes)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text::toWide(mode).c_str()));
  b.label("（建议选择带删除的选项）", 480, 94, 172, 24);  // 标签6

  // item options
  b.label("宝贝信息选项", 32, 127, 88, 24);  // 透明标签8
  b.label("宝贝价格：", 133, 126, 72, 24);   // 透明标签11
  b.check(kAdjustPrice, "价格调整", 208, 126, 72, 24);
  b.edit(kPricePercent, "100", 280, 126, 32, 24);
  b.label("％ 保留小数位", 320, 126, 80, 24);  // 透明标签6
  b.edit(kPriceDecimals, "0", 400, 126, 48, 24);
  b.label("宝贝库存：", 133, 154, 72, 24);  // 透明标签12
  b.check(kUniformStock, "库存统一为", 208, 154, 80, 24);
  b.edit(kStockValue, "100", 296, 154, 48, 24);

  // replacements
  b.label("替换设置", 32, 182, 88, 24);  // 透明标签10
  b.line(130, 194, 500);                 // 画板7
  struct Pair {
    const char* caption;
    ControlId find, replace;
    int labelTop, findTop, arrowTop, replaceTop;
  } pairs[] = {{"替换一：", kFind1, kReplace1, 213, 208, 214, 207},
               {"替换二：", kFind2, kReplace2, 246, 242, 248, 241},
               {"替换三：", kFind3, kReplace3, 279, 276, 282, 275}};
  for (const Pair& p : pairs) {
    b.label(p.caption, 144, p.labelTop, 56, 16, 0);
    b.edit(p.find, "", 201, p.findTop, 158, 25);
    b.label("-->", 359, p.arrowTop, 25, 16, 0);
    b.edit(p.replace, "", 391, p.replaceTop, 168, 25);
  }
  b.raw(L"BUTTON", "", BS_GROUPBOX, 149, 304, 472, 48);  // 分组框1
  b.label("说明： 替换只是简单的替换，比如QQ、手机号等\r\n       替换的对象是 宝贝标题跟宝贝描述信息里面的内容", 157,
          317, 458, 30, 0);  // 透明标签13

  // generation options
  b.label("生成选项", 32, 343, 88, 24);  // 透明标签9
  b.line(130, 355, 500);                 // 画板6
  b.radio(kLayout4, "生成淘宝助理4.X数据", 145, 370, 136, 16, WS_GROUP);
  b.radio(kLayout5, "生成淘宝助理5.X数据", 280, 370, 136, 16, 0);

  b.raw(L"BUTTON", "保存配置", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 550, 408, 80, 32, kSaveSettings);

  w.onCommand(kSaveSettings, [&w](int code) {
    if (code == BN_CLICKED) saveSettings(w);
  });
  for (ControlId id : {kDownloadPictures, kSpaceOnly, kAdjustPrice, kUniformStock, kLayout4, kLayout5})
    w.onCommand(id, [&w](int code) {
      if (code == BN_CLICKED) refreshLiveOptions(w);
    });
  for (ControlId id : {kPricePercent, kPriceDecimals, kStockValue})
    w.onCommand(id, [&w](int code) {
      if (code == EN_CHANGE) refreshLiveOptions(w);
    });
  refreshLiveOptions(w);
}

void refreshLiveOptions(MainWindow& w) {
  LiveOptions now;
  now.downloadDescriptionPictures = ticked(w, kDownloadPictures);
  now.marketplaceSpaceOnly = ticked(w, kSpaceOnly);
  now.adjustPrice = ticked(w, kAdjustPrice);
  now.pricePercent = w.controlText(kPricePercent);
  now.priceDecimals = w.controlText(kPriceDecimals);
  now.uniformStock = ticked(w, kUniformStock);
  now.stockValue = w.controlText(kStockValue);
  now.layout4Radio = ticked(w, kLayout4);
  w.state().options.update([&](LiveOptions& o) { o = std::move(now); });
}

void loadSettings(MainWindow& w) {
  AppState& state = w.state();
  // The path is built anew for every read.
  auto read = [&](const char* section, const char* key) {
    return profile::readFile(settingsFilePath(state), section, key);
  };

  setTicked(w, kDownloadPictures, read("DL_PIC", "download") == kTicked);
  setTicked(w, kSpaceOnly, read("DL_PIC", "taobao_only") == kTicked);
  setTicked(w, kAdjustPrice, read("PR_INFO", "p_type") == kTicked);
  setTicked(w, kUniformStock, read("PR_INFO", "n_type") == kTicked);
  if (HWND spaceOnly = w.control(kSpaceOnly)) EnableWindow(spaceOnly, ticked(w, kDownloadPictures));

  std::string fall = read("DL_PIC", "fall");
  int index = -1;
  if (fall.empty() || fall == "3") index = 2;
  else if (fall == "1") index = 0;
  else if (fall == "2") index = 1;
  if (index >= 0) {
    if (HWND combo = w.control(kFailureMode)) SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
    state.imageFailureMode = index + 1;
  }

  w.setControlText(kPricePercent, read("PR_INFO", "price"));
  w.setControlText(kPriceDecimals, read("PR_INFO", "price_num"));
  w.setControlText(kStockValue, read("PR_INFO", "num"));

  w.setControlText(kFind1, read("REPLACE", "1"));
  w.setControlText(kFind2, read("REPLACE", "2"));
  w.setControlText(kFind3, read("REPLACE", "3"));
  // Pair 2's replacement lives under "to3" and pair 3's under "to2".
  w.setControlText(kReplace1, read("REPLACE", "to1"));
  w.setControlText(kReplace2, read("REPLACE", "to3"));
  w.setControlText(kReplace3, read("REPLACE", "to2"));

  bool layout4 = read("SAVE", "type") == "4";
  setTicked(w, kLayout4, layout4);
  setTicked(w, kLayout5, !layout4);
  state.packageLayoutVersion = layout4 ? 4 : 5;

  refreshLiveOptions(w);
}

void saveSettings(MainWindow& w) {
  AppState& state = w.state();
  // A fresh copy of the program has no "options" folder; without it nothing
  // could be written and the seller's settings would be lost.
  fileio::createFolder(settingsFolderPath(state));
  bool written = true;
  auto write = [&](const char* section, const char* key, const std::string& value) {
    if (!profile::writeFile(settingsFilePath(state), section, key, value)) written = false;
  };

  write("DL_PIC", "download", ticked(w, kDownloadPictures) ? kTicked : kUnticked);
  write("DL_PIC", "taobao_only", ticked(w, kSpaceOnly) ? kTicked : kUnticked);
  write("PR_INFO", "p_type", ticked(w, kAdjustPrice) ? kTicked : kUnticked);
  write("PR_INFO", "n_type", ticked(w, kUniformStock) ? kTicked : kUnticked);

  std::string mode = w.controlText(kFailureMode);
  if (mode.empty()) {
    state.ui->messageBox(w.hwnd(), "请设置图片下载失败处理方式", "", MB_OK);
    return;
  }
  for (int i = 0; i < 3; ++i) {
    if (mode != kFailureModes[i]) continue;
    write("DL_PIC", "fall", std::to_string(i + 1));
    state.imageFailureMode = i + 1;
  }

  write("PR_INFO", "price", w.controlText(kPricePercent));
  write("PR_INFO", "price_num", w.controlText(kPriceDecimals));
  write("PR_INFO", "num", w.controlText(kStockValue));

  write("REPLACE", "1", w.controlText(kFind1));
  write("REPLACE", "2", w.controlText(kFind2));
  write("REPLACE", "3", w.controlText(kFind3));
  write("REPLACE", "to1", w.controlText(kReplace1));
  write("REPLACE", "to3", w.controlText(kReplace2));
  write("REPLACE", "to2", w.controlText(kReplace3));

  bool layout4 = ticked(w, kLayout4);
  write("SAVE", "type", layout4 ? "4" : "5");
  state.packageLayoutVersion = layout4 ? 4 : 5;

  if (written)
    state.ui->messageBox(w.hwnd(), "已经保存！", "提示", MB_OK);
  else
    state.ui->messageBox(w.hwnd(), "配置没有保存！无法写入配置文件：\r\n" + settingsFilePath(state), "提示",
                         MB_OK | MB_ICONWARNING);
}
