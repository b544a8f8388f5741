#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "util/text.h"
#include "util/ui_services.h"

int WinUiServices::messageBox(HWND owner, const std::string& text, const std::string& title, unsigned flags) {
  std::wstring t = text::toWide(text), c = text::toWide(title);
  return MessageBoxW(owner, t.c_str(), title.empty() ? L"" : c.c_str(), flags);
}

std::optional<std::string> WinUiServices::fileDialog(HWND owner, const FileDialogRequest& r) {
  // "caption|pattern|caption|pattern" becomes the NUL-separated filter list.
  std::wstring filter = text::toWide(r.filter);
  for (auto& ch : filter)
    if (ch == L'|') ch = L'\0';
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::wstring ext = text::toWide(r.defaultExtension);
  if (!ext.empty() && ext[0] == L'.') ext.erase(0, 1);
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring init = text::toWide(r.initialPath);
  if (init.size() < file.size()) std::copy(init.begin(), init.end(), file.begin());

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = DWORD(file.size());
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (r.mustExist) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (r.save) ofn.Flags |= OFN_OVERWRITEPROMPT;
  BOOL ok = r.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) return std::nullopt;
  return text::fromWide(file.data());
}

bool WinUiServices::shellOpen(const std::string& target) {
  std::wstring w = text::toWide(target);
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", w.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

bool WinUiServices::setClipboardText(HWND owner, const std::string& gbk) {
  std::wstring w = text::toWide(gbk);
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  bool ok = false;
  size_t bytes = (w.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* p = GlobalLock(mem)) {
      memcpy(p, w.c_str(), bytes);
      GlobalUnlock(mem);
      ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    }
    if (!ok) GlobalFree(mem);  // on success the clipboard owns it
  }
  CloseClipboard();
  return ok;
}
