// Main and sale-property pictures: ".tbi" files under fresh names, one entry
// each in the item's picture column.
#include "app/app_state.h"
#include "generation/picture_files.h"
#include "generation/pictures.h"
#include "generation/worker_context.h"
#include "util/digest.h"
#include "util/http.h"
#include "util/time_stamps.h"
#include "util/xml_document.h"

namespace {

std::string itemProgress(const WorkerContext& c) {
  return std::to_string(c.lastItemNumber) + "/" + std::to_string(c.runTotal);
}

std::string pictureName(const WorkerContext& c) {
  return md5Text(picturefiles::uniqueMillisecondText() + c.item.title + c.item.itemId);
}

// Downloads one picture into its file (an empty file when nothing came, so the
// column entry still names a file) and reports a download that failed.
void storePicture(WorkerContext& c, const std::string& name, const std::string& address, const char* kind) {
  if (!c.control.checkpoint()) return;
  std::string bytes = downloadUrl(address);
  if (c.control.stopped()) return;
  const AppState& s = c.state;
  picturefiles::writePicture(s.outputDirectory + s.outputFileStem + "\\" + name + ".tbi", bytes);
  if (bytes.empty()) c.log(timestamps::logTime() + "  下载失败 " + kind + "：" + address + "\r\n");
}

}  // namespace

void downloadMainPictures(WorkerContext& c) {
  c.item.pictureColumn.clear();
  const std::string n = itemProgress(c);
  if (!c.log(timestamps::logTime() + "  开始下载 第：" + n + "  个宝贝   宝贝主图数据！\r\n")) return;
  const int32_t m = c.document->childCount("item_get_response/item/item_imgs");
  for (int32_t i = 1; i <= m; ++i) {
    if (!c.log(timestamps::logTime() + "  正在下载 第：" + std::to_string(i) + "/" + std::to_string(m) +
               "  张 宝贝主图数据... \r\n"))
      return;
    const std::string name = pictureName(c);
    const char* kind = c.state.packageLayoutVersion.load() == 4 ? ":0:" : ":1:";
    c.item.pictureColumn += name + kind + std::to_string(i - 1) + ":|;";
    storePicture(c, name, c.document->nodeText("item_get_response/item/item_imgs/@" + std::to_string(i) + "/url"),
                 "宝贝主图");
  }
  c.log(timestamps::logTime() + "  下载完毕 第：" + n + "  个宝贝   宝贝主图数据！\r\n");
}

void downloadPropertyPictures(WorkerContext& c) {
  const std::string n = itemProgress(c);
  if (!c.log(timestamps::logTime() + "  开始下载 第：" + n + "  个宝贝   销售属性图片数据！\r\n")) return;
  const int32_t m = c.document->childCount("item_get_response/item/prop_imgs");
  for (int32_t i = 1; i <= m; ++i) {
    if (!c.log(timestamps::logTime() + "  正在下载 第：" + std::to_string(i) + "/" + std::to_string(m) +
               "  张 销售属性图片数据... \r\n"))
      return;
    const std::string name = pictureName(c);
    const std::string base = "item_get_response/item/prop_imgs/@" + std::to_string(i);
    const std::string properties = c.document->nodeText(base + "/properties");
    const char* kind = c.state.options.get().layout4Radio ? ":1:0:" : ":2:0:";
    c.item.pictureColumn += name + kind + properties + "|;";
    storePicture(c, name, c.document->nodeText(base + "/url"), "销售属性图片");
  }
  c.log(timestamps::logTime() + "  下载完毕 第：" + n + "  个宝贝   销售属性图片数据！\r\n");
}
