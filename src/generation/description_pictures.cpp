// Description pictures: every picture the description names is downloaded into
// the item's own folder and the description is pointed at the local file.
#include "app/app_state.h"
#include "generation/picture_files.h"
#include "generation/pictures.h"
#include "generation/worker_context.h"
#include "util/digest.h"
#include "util/file_io.h"
#include "util/http.h"
#include "util/regex.h"
#include "util/text.h"
#include "util/time_stamps.h"

namespace {

const char kTagPattern[] = "<IMG .*?\"http://(.*?)\".*?>";
// The doubled quotes are those the description cleaning leaves for "&quot;".
const char kBackgroundPattern[] = "background=\"\"http://(.*?)\"\"";
const char kCharacterPattern[] = "([\\u4e00-\\u9fa5])";
// An unrecognised picture is still stored, under an extension a browser opens.
const char kFallbackExtension[] = "jpg";

struct Pass {
  WorkerContext& c;
  bool background;
  int i = 0, m = 0;

  std::string prefix(const char* middle) const {
    return timestamps::logTime() + " 线程：" + std::to_string(c.workerNumber) + middle +
           std::to_string(c.lastItemNumber) + "/" + std::to_string(c.runTotal);
  }
  std::string counter() const { return std::to_string(i) + "/" + std::to_string(m); }

  bool proceed() { return c.control.checkpoint(); }

  // The content as the full path fetches it: Chinese characters of the address
  // as percent-escaped GBK bytes ("amp;" then stays), else with "amp;" removed.
  std::string fetchContent(const std::string& addr) {
    if (!proceed()) return {};
    RegexMatcher& chars = *c.characterMatcher;
    chars.compile(kCharacterPattern);
    int32_t n = chars.execute(addr);
    if (n <= 0) return downloadUrl("http://" + text::replaceAll(addr, "amp;", ""));
    std::string encoded = addr;
    for (int32_t j = 1; j <= n; ++j) {
      std::string ch = chars.subMatchText(j, 1);
      if (!ch.empty()) encoded = text::replaceAll(encoded, ch, percentEncode(ch));
    }
    return downloadUrl("http://" + encoded);
  }

  void run(const char* pattern) {
    AppState& s = c.state;
    RegexMatcher& tags = *c.tagMatcher;
    tags.compile(pattern);
    m = tags.execute(c.item.desc);
    if (m <= 0) return;

    c.itemFolderName = picturefiles::safeFolderName(c.item.title);
    const std::string folder = s.outputDirectory + s.outputFileStem + "\\" + c.itemFolderName;
    if (!fileio::folderExists(folder)) fileio::createFolder(folder);

    for (i = 1; i <= m; ++i) {
      if (c.control.stopped()) return;
      const std::string addr = tags.subMatchText(i, 1);
      const LiveOptions options = s.options.get();
      if (options.marketplaceSpaceOnly && text::find(addr, "taobao") < 0) {
        c.log(prefix("  正在下载第:") + " 个宝贝 描述图片 " + counter() + "  非淘宝空间图片 已跳过\r\n");
        continue;
      }
      if (!c.log(prefix("  正在下载第:") + " 个宝贝 描述图片 " + counter() + "\r\n")) return;

      if (!proceed()) return;
      const std::string first = downloadUrl("http://" + text::replaceAll(addr, "amp;", ""));
      std::string type = detectImageType(first);
      if (type.rfind(kUnknownImageTypePrefix, 0) == 0) {
        if (!first.empty()) c.log(prefix("  第:") + " 个宝贝 描述图片 " + counter() + " " + type + "\r\n");
        type = kFallbackExtension;
      }
      const std::string name = md5Text(addr, true) + "." + type;
      const std::string file = folder + "\\" + name;
      const std::string local = "file:///" + file;
      const std::string remote = "http://" + addr;

      if (options.marketplaceSpaceOnly) {
        c.item.desc = text::replaceAllNoCase(c.item.desc, remote, local);
        if (!proceed()) return;
        picturefiles::writePicture(file, downloadUrl("http://" + text::replaceAll(addr, "amp;", "")));
        continue;
      }

      std::string content = fetchContent(addr);
      if (c.control.stopped()) return;
      if (!content.empty()) {
        c.item.desc = text::replaceAllNoCase(c.item.desc, remote, local);
        picturefiles::writePicture(file, content);
        continue;
      }
      switch (s.imageFailureMode.load()) {
        case 2:
          c.item.desc = text::replaceAllNoCase(c.item.desc, remote, "");
          c.log(prefix("  第:") + " 个宝贝 描述图片 字节集为0 已经删除 " + counter() + "\r\n");
          break;
        case 3:
          if (!c.log(prefix("  第:") + " 个宝贝 描述图片 字节集为0 正在重新下载 " + counter() + "\r\n")) return;
          content = fetchContent(addr);
          if (c.control.stopped()) return;
          if (!content.empty()) {
            c.item.desc = text::replaceAllNoCase(c.item.desc, remote, local);
            picturefiles::writePicture(file, content);
          } else {
            c.item.desc = text::replaceAllNoCase(c.item.desc, remote, "");
            if (background)
              c.log(prefix("  第:") + " 个宝贝 描述图片 字节集为0 重新下载失败===已经删除图片 " + counter() +
                    "\r\n");
          }
          break;
        default:  // 1 keeps the remote address
          break;
      }
    }
  }
};

}  // namespace

void localizeDescriptionPictures(WorkerContext& context) {
  Pass tags{context, false};
  tags.run(kTagPattern);
  if (context.control.stopped()) return;
  Pass backgrounds{context, true};
  backgrounds.run(kBackgroundPattern);
}
