// The owner-drawn bar of picture buttons across the top of the main window.
// It takes over its host window's procedure, draws into a back buffer, tracks
// the mouse for hover and press looks, keeps one button selected (radio mode)
// and reports a click on a button that was not yet selected.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gfx {
class SolidBrush;
class Bitmap;
class FontFamily;
class Font;
}

// One button, and the template (navImageSlot) a button is copied from.
class NavigationButton {
 public:
  std::string picture;  // PNG bytes
  std::string caption;  // GBK
  int layout = 0;       // 0: picture above caption
  std::string tip;
  int toggle = 0;
  int selected = 0;
};

class NavigationBar {
 public:
  struct RectF {
    float left = 0, top = 0, width = 0, height = 0;
  };
  // What a button showed when it was last drawn (window tests read this).
  enum class Look { none, normal, hover, selected, pressed };

  NavigationBar();
  ~NavigationBar();
  NavigationBar(const NavigationBar&) = delete;
  NavigationBar& operator=(const NavigationBar&) = delete;

  // Takes over `host`: transparent extended style, the bar's own window
  // procedure in place of the host's (kept and called on). GDI+ must be started.
  bool create(HWND host, int buttonWidth, int buttonHeight, COLORREF textColour, COLORREF background,
              bool radioMode = true);
  void setClickRoutine(std::function<void(int)> routine);
  void addButton(const NavigationButton& templateButton);
  void addSeparator(int afterButtonCount);
  // Rebuilds the whole back buffer at the next paint.
  void repaint();
  void selectButton(int n);
  bool isSelected(int n) const;
  // Releases buttons, lists, brushes and back buffer, and gives the host its
  // own procedure back.
  void destroy();

  HWND host() const { return host_; }
  int buttonCount() const { return int(buttons_.size()); }
  RectF buttonRect(int n) const;
  int separatorX(int index) const;  // index from 0 in the order added
  int hitTest(float x) const;
  int hotButton() const { return hot_; }
  int drawnHotButton() const { return drawnHot_; }
  int lastClicked() const { return lastClicked_; }
  Look lookOf(int n) const;
  int barWidth() const { return barWidth_; }
  int barHeight() const { return barHeight_; }
  HDC backBuffer() const { return backDc_; }

 private:
  static LRESULT CALLBACK hostProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT windowProc(HWND, UINT, WPARAM, LPARAM);
  void reset();
  void fullPaint(HDC target);
  bool ensureBackBuffer();
  void drawBackground();
  void drawButton(int n, bool backBufferOnly, bool hover, bool pressed);
  void redrawButton(int n) { drawButton(n, false, false, false); }
  void copyToWindow(const RECT& r, HDC target);
  void mouseMove(int x);
  void buttonUp(int x);
  void setHotButton(int a);

  HWND host_ = nullptr;
  WNDPROC previousProc_ = nullptr;
  int buttonWidth_ = 65;
  int buttonHeight_ = 58;
  int barWidth_ = 0;
  int barHeight_ = 0;
  COLORREF textColour_ = RGB(255, 255, 255);
  COLORREF background_ = RGB(179, 71, 24);
  std::vector<NavigationButton> buttons_;
  std::vector<std::unique_ptr<gfx::Bitmap>> pictures_;  // decoded once, one per button
  std::vector<RectF> rects_;
  std::vector<Look> looks_;
  std::vector<int> separators_;
  int hot_ = 0;
  std::function<void(int)> clickRoutine_;
  int drawnHot_ = 0;
  bool fullRedraw_ = true;
  bool radioMode_ = true;
  int lastClicked_ = 0;
  std::unique_ptr<gfx::SolidBrush> backgroundBrush_;
  std::unique_ptr<gfx::FontFamily> fontFamily_;  // "宋体"
  std::unique_ptr<gfx::Font> font_;              // 12 pixels, regular
  HDC backDc_ = nullptr;
  HBITMAP backBitmap_ = nullptr;
  HGDIOBJ backOldBitmap_ = nullptr;
  bool tracking_ = false;
};
