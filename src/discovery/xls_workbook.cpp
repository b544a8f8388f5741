#include "discovery/xls_workbook.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace xls {

namespace {

void put16(std::string& s, uint32_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}
void set32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}
void putChars(std::string& s, const std::u16string& t, size_t from, size_t count) {
  for (size_t i = from; i < from + count; ++i) put16(s, t[i]);
}

constexpr size_t kMaxRecordData = 8224;
constexpr size_t kMaxCellChars = 32767;

void record(std::string& out, uint16_t type, const std::string& data) {
  put16(out, type);
  put16(out, uint32_t(data.size()));
  out += data;
}

// ---------------------------------------------------------------- records
std::string bof(uint16_t kind) {  // 0x0005 workbook globals, 0x0010 worksheet
  std::string d;
  put16(d, 0x0600);
  put16(d, kind);
  put16(d, 0x0DBB);
  put16(d, 0x07CC);
  put32(d, 0);
  put32(d, 6);
  return d;
}

std::string font() {
  std::string d;
  put16(d, 220);     // height in twips: 11 points
  put16(d, 0);       // regular
  put16(d, 0x7FFF);  // window text colour
  put16(d, 400);     // normal weight
  put16(d, 0);
  d.push_back(0);    // no underline
  d.push_back(0);    // family
  d.push_back(char(134));  // GB2312 character set
  d.push_back(0);
  const std::u16string name = u"\u5B8B\u4F53";  // 宋体
  d.push_back(char(name.size()));
  d.push_back(1);  // UTF-16 characters
  putChars(d, name, 0, name.size());
  return d;
}

std::string xf(uint16_t format, bool style) {
  std::string d;
  put16(d, 0);  // font 0
  put16(d, format);
  put16(d, style ? 0xFFF5 : 0x0001);  // locked; a style XF has no parent
  d.push_back(0x20);                  // bottom aligned
  d.push_back(0);
  d.push_back(0);
  d.push_back(char(style ? 0xF4 : (format ? 0x04 : 0x00)));  // cell XF: own number format
  put32(d, 0);
  put32(d, 0);
  put16(d, 0x20C0);  // default pattern colours
  return d;
}

std::string shortName(const std::u16string& name) {
  std::string d;
  d.push_back(char(name.size()));
  d.push_back(1);
  putChars(d, name, 0, name.size());
  return d;
}

// The shared string table with its CONTINUE records. A string's characters may
// break across records (the continuation repeats the option byte); its header
// never does. `extsst` receives the index: the stream position and record
// offset of the first string of every bucket, at most 128 buckets.
std::string sharedStrings(const std::vector<std::u16string>& strings, uint32_t totalRefs, size_t streamOffset,
                          std::string& extsst) {
  std::string out;
  std::string data;
  put32(data, totalRefs);
  put32(data, uint32_t(strings.size()));
  uint16_t type = 0x00FC;
  size_t recordStart = streamOffset + out.size();  // position of the current record's header
  auto flush = [&](uint16_t nextType) {
    record(out, type, data);
    data.clear();
    type = nextType;
    recordStart = streamOffset + out.size();
  };

  const uint16_t perBucket = uint16_t(std::max<size_t>(8, (strings.size() + 127) / 128));
  std::string buckets;
  for (size_t i = 0; i < strings.size(); ++i) {
    const std::u16string& s = strings[i];
    if (data.size() + 3 + 2 > kMaxRecordData) flush(0x003C);  // header plus one character must fit
    if (i % perBucket == 0) {
      put32(buckets, uint32_t(recordStart + 4 + data.size()));
      put16(buckets, uint32_t(4 + data.size()));
      put16(buckets, 0);
    }
    put16(data, uint32_t(s.size()));
    data.push_back(1);
    size_t done = 0;
    while (true) {
      size_t room = (kMaxRecordData - data.size()) / 2;
      size_t n = std::min(room, s.size() - done);
      putChars(data, s, done, n);
      done += n;
      if (done == s.size()) break;
      flush(0x003C);
      data.push_back(1);  // the rest continues as UTF-16 characters
    }
  }
  flush(0);

  extsst.clear();
  put16(extsst, perBucket);
  extsst += buckets;
  return out;
}

std::string window2(bool first) {
  std::string d;
  put16(d, first ? 0x06B6 : 0x04B6);
  put16(d, 0);
  put16(d, 0);
  put32(d, 64);
  put16(d, 0);
  put16(d, 0);
  put32(d, 0);
  return d;
}

}  // namespace

std::string textWorkbook(const std::vector<std::u16string>& heading,
                         const std::vector<std::vector<std::u16string>>& rows) {
  const uint16_t kTextXf = 16;
  const uint16_t columns = uint16_t(std::min<size_t>(256, std::max<size_t>(1, heading.size())));
  const size_t dataRowsPerSheet = size_t(kRowsPerSheet) - 1;
  const size_t sheetCount = std::max<size_t>(1, (rows.size() + dataRowsPerSheet - 1) / dataRowsPerSheet);

  // Shared strings, each text once.
  std::vector<std::u16string> strings;
  std::unordered_map<std::u16string, uint32_t> index;
  uint32_t refs = 0;
  auto sst = [&](const std::u16string& raw) {
    std::u16string s = raw.size() > kMaxCellChars ? raw.substr(0, kMaxCellChars) : raw;
    ++refs;
    auto it = index.find(s);
    if (it != index.end()) return it->second;
    uint32_t k = uint32_t(strings.size());
    index.emplace(s, k);
    strings.push_back(std::move(s));
    return k;
  };

  // Sheets first (they only need string numbers), then the globals before them.
  std::vector<std::string> sheets(sheetCount);
  for (size_t sh = 0; sh < sheetCount; ++sh) {
    size_t first = sh * dataRowsPerSheet;
    size_t last = std::min(rows.size(), first + dataRowsPerSheet);
    std::string& out = sheets[sh];
    record(out, 0x0809, bof(0x0010));
    for (uint16_t c = 0; c < columns; ++c) {  // column widths: names wide, addresses wider
      std::string d;
      put16(d, c);
      put16(d, c);
      put16(d, c == 0 ? 50 * 256 : c == 2 ? 60 * 256 : 12 * 256);
      put16(d, kTextXf);
      put16(d, 0);
      put16(d, 0);
      record(out, 0x007D, d);
    }
    std::string dim;
    put32(dim, 0);
    put32(dim, uint32_t(1 + last - first));
    put16(dim, 0);
    put16(dim, columns);
    put16(dim, 0);
    record(out, 0x0200, dim);
    auto cell = [&](uint32_t row, uint16_t col, const std::u16string& text) {
      std::string d;
      put16(d, row);
      put16(d, col);
      put16(d, kTextXf);
      put32(d, sst(text));
      record(out, 0x00FD, d);
    };
    for (uint16_t c = 0; c < columns; ++c) cell(0, c, heading[c]);
    for (size_t r = first; r < last; ++r)
      for (uint16_t c = 0; c < columns; ++c)
        cell(uint32_t(1 + r - first), c, c < rows[r].size() ? rows[r][c] : std::u16string());
    record(out, 0x023E, window2(sh == 0));
    record(out, 0x000A, {});
  }

  std::string g;
  record(g, 0x0809, bof(0x0005));
  {
    std::string d;
    put16(d, 1200);  // UTF-16
    record(g, 0x0042, d);
  }
  {
    std::string d;
    put16(d, 0);
    put16(d, 0);
    put16(d, 0x4000);
    put16(d, 0x2800);
    put16(d, 0x0038);
    put16(d, 0);
    put16(d, 0);
    put16(d, 1);
    put16(d, 0x0258);
    record(g, 0x003D, d);
  }
  for (int i = 0; i < 4; ++i) record(g, 0x0031, font());
  for (int i = 0; i < 15; ++i) record(g, 0x00E0, xf(0, true));
  record(g, 0x00E0, xf(0, false));   // 15: default cell format
  record(g, 0x00E0, xf(49, false));  // 16: text "@"
  {
    std::string d;
    put16(d, 0x8000);  // built-in style on XF 0
    d.push_back(0);    // "Normal"
    d.push_back(char(0xFF));
    record(g, 0x0293, d);
  }
  std::vector<size_t> sheetPositionFields;
  for (size_t sh = 0; sh < sheetCount; ++sh) {
    std::string d;
    put32(d, 0);  // stream position of the sheet, set below
    put16(d, 0);  // visible worksheet
    std::string n = "Sheet" + std::to_string(sh + 1);
    d += shortName(std::u16string(n.begin(), n.end()));
    sheetPositionFields.push_back(g.size() + 4);
    record(g, 0x0085, d);
  }
  std::string extsst;
  g += sharedStrings(strings, refs, g.size(), extsst);
  record(g, 0x00FF, extsst);
  record(g, 0x000A, {});

  size_t position = g.size();
  for (size_t sh = 0; sh < sheetCount; ++sh) {
    set32(g, sheetPositionFields[sh], uint32_t(position));
    position += sheets[sh].size();
  }
  std::string stream = std::move(g);
  for (auto& s : sheets) stream += s;
  return compoundFile(u"Workbook", std::move(stream));
}

std::string compoundFile(const std::u16string& streamName, std::string stream) {
  constexpr uint32_t kSector = 512;
  constexpr uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD, kDifSect = 0xFFFFFFFC;
  constexpr uint32_t kNoStream = 0xFFFFFFFF;
  // A stream under the 4,096-byte cut-off would belong in the mini stream;
  // padding keeps the layout to plain sectors.
  if (stream.size() < 4096) stream.resize(4096, '\0');
  const uint32_t streamSize = uint32_t(stream.size());
  const uint32_t streamSectors = (streamSize + kSector - 1) / kSector;
  stream.resize(size_t(streamSectors) * kSector, '\0');

  const uint32_t fixed = streamSectors + 1;  // stream, then one directory sector
  uint32_t fat = 1, dif = 0;
  while (true) {
    uint32_t needFat = (fixed + fat + dif + 127) / 128;
    uint32_t needDif = needFat > 109 ? (needFat - 109 + 126) / 127 : 0;
    if (needFat == fat && needDif == dif) break;
    fat = needFat;
    dif = needDif;
  }
  const uint32_t dirSector = streamSectors;
  const uint32_t fatStart = dirSector + 1;
  const uint32_t difStart = fatStart + fat;

  std::vector<uint32_t> table(size_t(fat) * 128, kFree);
  for (uint32_t i = 0; i < streamSectors; ++i) table[i] = i + 1 < streamSectors ? i + 1 : kEnd;
  table[dirSector] = kEnd;
  for (uint32_t i = 0; i < fat; ++i) table[fatStart + i] = kFatSect;
  for (uint32_t i = 0; i < dif; ++i) table[difStart + i] = kDifSect;

  std::string out;
  out.reserve(size_t(kSector) * (1 + fixed + fat + dif));
  // header
  out += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  out.append(16, '\0');
  put16(out, 0x003E);
  put16(out, 0x0003);
  put16(out, 0xFFFE);
  put16(out, 9);
  put16(out, 6);
  out.append(6, '\0');
  put32(out, 0);  // directory sectors (always 0 in version 3)
  put32(out, fat);
  put32(out, dirSector);
  put32(out, 0);
  put32(out, 4096);
  put32(out, kEnd);  // no mini FAT
  put32(out, 0);
  put32(out, dif ? difStart : kEnd);
  put32(out, dif);
  for (uint32_t i = 0; i < 109; ++i) put32(out, i < fat ? fatStart + i : kFree);

  out += stream;

  // directory: root, the stream, two unused entries
  auto entry = [&](const std::u16string& name, uint8_t type, uint32_t child, uint32_t start, uint32_t size) {
    std::string e;
    std::u16string n = name.substr(0, 31);
    putChars(e, n, 0, n.size());
    e.append(64 - e.size(), '\0');
    put16(e, type ? uint32_t((n.size() + 1) * 2) : 0);
    e.push_back(char(type));
    e.push_back(type ? 1 : 0);  // black
    put32(e, kNoStream);
    put32(e, kNoStream);
    put32(e, child);
    e.append(16 + 4 + 16, '\0');
    put32(e, start);
    put32(e, size);
    put32(e, 0);
    out += e;
  };
  entry(u"Root Entry", 5, 1, kEnd, 0);
  entry(streamName, 2, kNoStream, 0, streamSize);
  entry(u"", 0, kNoStream, 0, 0);
  entry(u"", 0, kNoStream, 0, 0);

  for (uint32_t v : table) put32(out, v);

  for (uint32_t d = 0; d < dif; ++d) {
    for (uint32_t k = 0; k < 127; ++k) {
      uint32_t f = 109 + d * 127 + k;
      put32(out, f < fat ? fatStart + f : kFree);
    }
    put32(out, d + 1 < dif ? difStart + d + 1 : kEnd);
  }
  return out;
}

}  // namespace xls
