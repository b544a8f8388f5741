// Page "开始": introduction, the maker's news, the help button and the contact line.
#include <windows.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "ui/web_view.h"

namespace {

const char kIntroductionText[] =
    "1、本软件可以把淘宝网上的宝贝复制下来：标题、价格、属性、描述和图片，"
    "生成淘宝助理可以直接导入的数据包（CSV文件和图片文件夹）。\r\n\r\n"
    "2、使用方法：在上方的导航栏选择采集方式，输入地址后点击“添加到列表”，"
    "宝贝出现在列表中以后点击“生成数据包”，完成后在淘宝助理中导入生成的CSV文件即可。\r\n\r\n"
    "3、采集方式有三种：“单个采集”只采集一个指定的宝贝；“按列表采集”采集店铺中某一个分类的全部宝贝；"
    "“按店铺采集”采集整个店铺的所有宝贝。";

const char kContactText[] =
    "联系我们：客服QQ 80000 0000　　邮箱 service@quorvane.test　　工作时间 每天 9:00-21:00";

}  // namespace

void buildStartPage(MainWindow& window, HWND page) {
  AppState& state = window.state();
  window.createControl(page, L"EDIT", kIntroductionText,
                       WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 18, 21, 288, 240,
                       kIntroText, WS_EX_CLIENTEDGE);

  HWND news = ui::createWebView(page, kNewsView, 312, 21, 384, 240, state.endpoints.newsUrl, window.font(),
                                [&state](const std::string& address) { state.ui->shellOpen(address); });
  window.registerControl(kNewsView, news);

  window.createControl(page, L"BUTTON", "使用说明", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 524, 340, 96, 32,
                       kHelpButton);
  window.onCommand(kHelpButton, [&state](int code) {
    if (code == BN_CLICKED) state.ui->shellOpen(state.endpoints.helpUrl);
  });

  window.createControl(page, L"STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 15, 384, 672, 2, kStartSeparator);
  window.createControl(page, L"EDIT", kContactText, WS_VISIBLE | ES_MULTILINE | ES_READONLY, 27, 401, 656, 48,
                       kContactLine, WS_EX_CLIENTEDGE);
}
