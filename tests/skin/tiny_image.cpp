#include "skin/tiny_image.h"

#include <algorithm>
#include <cstring>

namespace tiny {

namespace {

uint32_t alignUp(uint32_t v, uint32_t to) { return (v + to - 1) / to * to; }

template <typename T>
void append(std::vector<uint8_t>& out, const T& value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof value);
}

}  // namespace

uint32_t Blob::put(const std::vector<uint8_t>& bytes) {
  uint32_t at = here();
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return at;
}

uint32_t Blob::putString(const std::string& text) {
  uint32_t at = here();
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  bytes_.push_back(0);
  return at;
}

uint32_t Blob::put16(uint16_t v) {
  uint32_t at = here();
  append(bytes_, v);
  return at;
}

uint32_t Blob::put32(uint32_t v) {
  uint32_t at = here();
  append(bytes_, v);
  return at;
}

uint32_t Blob::putPointer(uint64_t v) {
  uint32_t at = here();
  const uintptr_t p = uintptr_t(v);
  append(bytes_, p);
  return at;
}

void Blob::align(uint32_t to) {
  while (bytes_.size() % to) bytes_.push_back(0);
}

void Blob::set32(uint32_t rva, uint32_t v) { std::memcpy(bytes_.data() + (rva - rva_), &v, 4); }

void Blob::fillTo(uint32_t rva, uint8_t value) {
  if (rva > here()) bytes_.resize(rva - rva_, value);
}

std::vector<uint8_t> Image::build() const {
  const uint32_t lfanew = 0x40;
  const uint32_t tableAt = lfanew + sizeof(IMAGE_NT_HEADERS);
  const uint32_t headersSize = alignUp(tableAt + uint32_t(sections.size()) * sizeof(IMAGE_SECTION_HEADER), fileAlignment);

  IMAGE_NT_HEADERS nt = {};
  nt.Signature = IMAGE_NT_SIGNATURE;
#if defined(_WIN64)
  nt.FileHeader.Machine = IMAGE_FILE_MACHINE_AMD64;
  nt.FileHeader.Characteristics = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_DLL | IMAGE_FILE_LARGE_ADDRESS_AWARE;
#else
  nt.FileHeader.Machine = IMAGE_FILE_MACHINE_I386;
  nt.FileHeader.Characteristics = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_DLL | IMAGE_FILE_32BIT_MACHINE;
#endif
  nt.FileHeader.NumberOfSections = WORD(sections.size());
  nt.FileHeader.SizeOfOptionalHeader = sizeof(IMAGE_OPTIONAL_HEADER);
  IMAGE_OPTIONAL_HEADER& o = nt.OptionalHeader;
  o.Magic = IMAGE_NT_OPTIONAL_HDR_MAGIC;
  o.AddressOfEntryPoint = entryRva;
  o.ImageBase = decltype(o.ImageBase)(imageBase);
  o.SectionAlignment = sectionAlignment;
  o.FileAlignment = fileAlignment;
  o.MajorOperatingSystemVersion = 6;
  o.MajorSubsystemVersion = 6;
  o.SizeOfHeaders = headersSize;
  o.SizeOfInitializedData = sizeOfInitializedData;
  o.SizeOfUninitializedData = sizeOfUninitializedData;
  o.Subsystem = IMAGE_SUBSYSTEM_WINDOWS_GUI;
  o.SizeOfStackReserve = o.SizeOfStackCommit = o.SizeOfHeapReserve = o.SizeOfHeapCommit = 0x1000;
  o.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
  for (int i = 0; i < 16; ++i) o.DataDirectory[i] = directory[i];
  uint32_t end = 0;
  for (const Section& s : sections) end = std::max(end, s.rva + alignUp(s.virtualSize, sectionAlignment));
  o.SizeOfImage = sizeOfImage ? sizeOfImage : end;

  std::vector<uint8_t> file(headersSize, 0);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(file.data());
  dos->e_magic = IMAGE_DOS_SIGNATURE;
  dos->e_lfanew = LONG(lfanew);
  std::memcpy(file.data() + lfanew, &nt, sizeof nt);

  uint32_t offset = headersSize;
  for (size_t i = 0; i < sections.size(); ++i) {
    const Section& s = sections[i];
    IMAGE_SECTION_HEADER h = {};
    std::memcpy(h.Name, s.name.data(), std::min<size_t>(8, s.name.size()));
    h.Misc.VirtualSize = s.virtualSize;
    h.VirtualAddress = s.rva;
    h.Characteristics = s.characteristics;
    if (!s.raw.empty()) {
      h.SizeOfRawData = alignUp(uint32_t(s.raw.size()), fileAlignment);
      h.PointerToRawData = offset;
      file.resize(offset + h.SizeOfRawData, 0);
      std::memcpy(file.data() + offset, s.raw.data(), s.raw.size());
      offset += h.SizeOfRawData;
    }
    std::memcpy(file.data() + tableAt + i * sizeof h, &h, sizeof h);
  }
  file.insert(file.end(), trailer.begin(), trailer.end());
  return file;
}

ImportTable writeImports(Blob& data, Blob& descriptorBlob, const std::vector<ImportLibrary>& libraries,
                         bool terminated) {
  ImportTable table;
  struct Written {
    uint32_t name, names, slots;
  };
  std::vector<Written> written;
  for (const ImportLibrary& library : libraries) {
    Written w{};
    w.name = data.putString(library.name);
    std::vector<uint64_t> entries;
    for (const Import& f : library.functions) {
      if (const auto* name = std::get_if<std::string>(&f)) {
        data.align(2);
        uint32_t at = data.put16(0);
        data.putString(*name);
        entries.push_back(at);
      } else {
        entries.push_back(IMAGE_ORDINAL_FLAG | std::get<uint16_t>(f));
      }
    }
    data.align(sizeof(uintptr_t));
    w.names = data.here();
    for (uint64_t e : entries) data.putPointer(e);
    data.putPointer(0);
    w.slots = data.here();
    std::vector<uint32_t> slots;
    for (uint64_t e : entries) slots.push_back(data.putPointer(e));
    data.putPointer(0);
    table.slots.push_back(slots);
    written.push_back(w);
  }
  descriptorBlob.align(4);
  table.descriptors = descriptorBlob.here();
  for (const Written& w : written) {
    descriptorBlob.put32(w.names);  // OriginalFirstThunk
    descriptorBlob.put32(0);
    descriptorBlob.put32(0);
    descriptorBlob.put32(w.name);
    descriptorBlob.put32(w.slots);  // FirstThunk
  }
  if (terminated)
    for (int i = 0; i < 5; ++i) descriptorBlob.put32(0);
  table.size = descriptorBlob.here() - table.descriptors;
  return table;
}

uint32_t writeExports(Blob& data, const std::vector<Export>& exports, uint32_t& size, int numberOfFunctions) {
  const uint32_t functions = numberOfFunctions < 0 ? uint32_t(exports.size()) : uint32_t(numberOfFunctions);
  data.align(4);
  const uint32_t at = data.here();
  IMAGE_EXPORT_DIRECTORY dir = {};
  std::vector<uint8_t> placeholder(sizeof dir, 0);
  data.put(placeholder);
  dir.Base = 1;
  dir.NumberOfFunctions = functions;
  dir.NumberOfNames = DWORD(exports.size());
  dir.AddressOfFunctions = data.here();
  for (uint32_t i = 0; i < functions; ++i) data.put32(i < exports.size() ? exports[i].rva : 0);
  dir.AddressOfNames = data.here();
  std::vector<uint32_t> nameSlots;
  for (size_t i = 0; i < exports.size(); ++i) nameSlots.push_back(data.put32(0));
  dir.AddressOfNameOrdinals = data.here();
  for (size_t i = 0; i < exports.size(); ++i) data.put16(uint16_t(i));
  for (size_t i = 0; i < exports.size(); ++i) data.set32(nameSlots[i], data.putString(exports[i].name));
  dir.Name = data.putString("tiny.dll");
  const auto* p = reinterpret_cast<const uint32_t*>(&dir);
  for (size_t i = 0; i < sizeof dir / 4; ++i) data.set32(at + uint32_t(i * 4), p[i]);
  size = data.here() - at;
  return at;
}

uint32_t writeRelocations(Blob& data, const std::vector<Relocation>& relocations, uint32_t& size) {
  data.align(4);
  const uint32_t at = data.here();
  std::vector<Relocation> sorted = relocations;
  std::sort(sorted.begin(), sorted.end(), [](const Relocation& a, const Relocation& b) { return a.rva < b.rva; });
  for (size_t i = 0; i < sorted.size();) {
    const uint32_t page = sorted[i].rva & ~0xFFFu;
    size_t j = i;
    while (j < sorted.size() && (sorted[j].rva & ~0xFFFu) == page) ++j;
    const size_t count = j - i;
    const size_t padded = count + (count & 1);
    data.put32(page);
    data.put32(uint32_t(8 + 2 * padded));
    for (size_t k = i; k < j; ++k) data.put16(uint16_t((sorted[k].type << 12) | (sorted[k].rva & 0xFFF)));
    if (padded != count) data.put16(0);
    i = j;
  }
  size = data.here() - at;
  return at;
}

std::vector<uint8_t> returnConstant(uint32_t value) {
  std::vector<uint8_t> code = {0xB8};
  for (int i = 0; i < 4; ++i) code.push_back(uint8_t(value >> (8 * i)));
  code.push_back(0xC3);
  return code;
}

std::vector<uint8_t> entryAnswering(uint32_t value) {
  std::vector<uint8_t> code = {0xB8};
  for (int i = 0; i < 4; ++i) code.push_back(uint8_t(value >> (8 * i)));
#if defined(_WIN64)
  code.push_back(0xC3);
#else
  code.insert(code.end(), {0xC2, 0x0C, 0x00});  // ret 12: stdcall removes its three parameters
#endif
  return code;
}

std::vector<uint8_t> jumpThrough(uint64_t imageBase, uint32_t codeRva, uint32_t slotRva) {
  std::vector<uint8_t> code = {0xFF, 0x25};
#if defined(_WIN64)
  (void)imageBase;
  const uint32_t target = slotRva - (codeRva + 6);  // relative to the next instruction
#else
  (void)codeRva;
  const uint32_t target = uint32_t(imageBase) + slotRva;
#endif
  for (int i = 0; i < 4; ++i) code.push_back(uint8_t(target >> (8 * i)));
  return code;
}

uint64_t freeBase(uint32_t size) {
#if defined(_WIN64)
  const uint64_t first = 0x350000000ull, step = 0x10000000ull;
#else
  const uint64_t first = 0x30000000ull, step = 0x01000000ull;
#endif
  for (uint64_t at = first; at < first + 64 * step; at += step) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<void*>(uintptr_t(at)), &info, sizeof info) && info.State == MEM_FREE &&
        info.RegionSize >= size)
      return at;
  }
  return 0;
}

}  // namespace tiny
