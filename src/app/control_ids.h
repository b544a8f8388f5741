// Control identifiers of the main window, named after the window design.
#pragma once

enum ControlId : int {
  // frame
  kNavHost = 1001,      // 透明标签3, hosts the navigation bar
  kSeparatorTop,        // 画板3
  kBanner,              // 画板8
  kBannerHint,          // 透明标签14
  kPages,               // 高级选择夹1
  kStatusBar,           // 状态条1
  kHueSlider,           // 滑块条1
  kSaturationSlider,    // 滑块条2
  kBrightnessSlider,    // 滑块条3

  // page "开始"
  kIntroText = 1101,    // 编辑框7
  kNewsView,            // 超文本浏览框1
  kHelpButton,          // 按钮2 "使用说明"
  kStartSeparator,      // 外形框1
  kContactLine,         // 编辑框8

  // page "采集"
  kAddressCaptionBox = 1201,  // 图片框2
  kAddressCaption,      // 透明标签1
  kAddressBox,          // 编辑框1
  kAddButton,           // 添加到列表
  kPathCaptionPanel,    // 画板1
  kPathCaption,         // 透明标签5
  kPathBox,             // 编辑框3
  kChangePathButton,    // 添加到列表2 "更改"
  kListPanel,           // 图片框1
  kItemListView,        // 超级列表框1
  kCountCaption,        // 透明标签2
  kCountLabel,          // 透明标签4
  kDeleteButton,        // 按钮6
  kCompletionButton,    // pms (hidden)
  kClearButton,         // 按钮7
  kImportButton,        // 添加到列表1
  kExportButton,        // 按钮8
  kListSeparator,       // 画板4
  kStartButton,         // 开始 "生成数据包"
  kPauseButton,         // 暂停按钮
  kStopButton,          // 停止按钮
  kLogTab,              // 选择夹1
  kLogBox,              // 编辑框2

  // page "配置"
  kConfigTab = 1301,    // 选择夹2
  kDownloadPictures,    // 选择框6
  kSpaceOnly,           // 选择框7
  kFailureMode,         // 组合框1
  kAdjustPrice,         // 选择框1
  kPricePercent,        // 编辑框4
  kPriceDecimals,       // 编辑框6
  kUniformStock,        // 选择框2
  kStockValue,          // 编辑框5
  kFind1, kFind2, kFind3,           // 价格1 价格2 价格3
  kReplace1, kReplace2, kReplace3,  // 价格11 价格22 价格33
  kLayout4,             // 单选框1
  kLayout5,             // 单选框2
  kSaveSettings,        // 按钮4 "保存配置"

  // page "帮助"
  kHelpToolbar = 1401,  // 工具条3
  kHelpView,            // 超文本浏览框2
  kHelpReload,          // 工具条3: show the help page again
  kHelpInBrowser,       // 工具条3: open the help page in the default browser

  // menus
  kMenuExportList = 1501,  // 导出宝贝列表
  kMenuOpenAddress,        // 用IE打开宝贝链接
  kMenuOpenSpreadsheet,    // 用EXCEL打开宝贝列表
  kMenuCopyAddress,        // 复制宝贝地址
  kMenuCopyName,           // 复制宝贝名称
  kMenuDeleteSelected,     // 删除选中宝贝
  kMenuExitProgram,        // 系统菜单: 退出程序
};
