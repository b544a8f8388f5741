// The few window services a test must replace: message boxes, file dialogs,
// the shell's "open" and the clipboard. The real window uses WinUiServices; a
// window test installs a fake so nothing ever blocks on a modal box.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct FileDialogRequest {
  bool save = false;         // save dialog, else open
  bool mustExist = false;    // the chosen file must exist
  std::string filter;        // "逗号分隔符文件(*.csv)|*.csv" form: caption|pattern pairs
  std::string defaultExtension;  // ".csv"
  std::string initialPath;
};

class UiServices {
 public:
  virtual ~UiServices() = default;
  // MessageBox flags (MB_OK, MB_ICONWARNING, ...); answers IDOK etc.
  // An empty title shows the box without a title of its own.
  virtual int messageBox(HWND owner, const std::string& text, const std::string& title, unsigned flags) = 0;
  // The full path chosen, or nothing when the user cancelled.
  virtual std::optional<std::string> fileDialog(HWND owner, const FileDialogRequest& request) = 0;
  // The shell's "open" on an address or file.
  virtual bool shellOpen(const std::string& target) = 0;
  // Puts the text on the clipboard as Unicode text.
  virtual bool setClipboardText(HWND owner, const std::string& gbk) = 0;
};

class WinUiServices : public UiServices {
 public:
  int messageBox(HWND owner, const std::string& text, const std::string& title, unsigned flags) override;
  std::optional<std::string> fileDialog(HWND owner, const FileDialogRequest& request) override;
  bool shellOpen(const std::string& target) override;
  bool setClipboardText(HWND owner, const std::string& gbk) override;
};
