// Small DLL images of this build's kind (PE32 or PE32+), put together byte by
// byte so that a test can give the loader exactly the case it is about.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tiny {

constexpr uint32_t kCode = IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ;
constexpr uint32_t kReadOnly = IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ;
constexpr uint32_t kReadWrite = IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
constexpr uint32_t kUninitialised = IMAGE_SCN_CNT_UNINITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
constexpr uint32_t kDiscardable = IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_DISCARDABLE;

// Contents of one section, written at known addresses (RVAs).
class Blob {
 public:
  explicit Blob(uint32_t rva) : rva_(rva) {}
  uint32_t rva() const { return rva_; }
  uint32_t here() const { return rva_ + uint32_t(bytes_.size()); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  uint32_t put(const std::vector<uint8_t>& bytes);
  uint32_t putString(const std::string& text);  // with its terminating zero
  uint32_t put16(uint16_t v);
  uint32_t put32(uint32_t v);
  uint32_t putPointer(uint64_t v);  // pointer-sized
  void align(uint32_t to);
  void set32(uint32_t rva, uint32_t v);
  void fillTo(uint32_t rva, uint8_t value = 0);

 private:
  uint32_t rva_;
  std::vector<uint8_t> bytes_;
};

struct Section {
  std::string name;
  uint32_t rva = 0;
  uint32_t characteristics = 0;
  std::vector<uint8_t> raw;  // empty: a section without raw data
  uint32_t virtualSize = 0x1000;
};

struct Image {
  uint64_t imageBase = 0;
  uint32_t sectionAlignment = 0x1000;
  uint32_t fileAlignment = 0x200;
  uint32_t sizeOfImage = 0;  // 0: the end of the last section
  uint32_t entryRva = 0;
  uint32_t sizeOfInitializedData = 0;
  uint32_t sizeOfUninitializedData = 0;
  IMAGE_DATA_DIRECTORY directory[16] = {};
  std::vector<Section> sections;
  // Bytes placed in the file after the last section's raw data.
  std::vector<uint8_t> trailer;

  std::vector<uint8_t> build() const;
};

// One imported function: by name, or by ordinal.
using Import = std::variant<std::string, uint16_t>;
struct ImportLibrary {
  std::string name;
  std::vector<Import> functions;
};
// Where each import's address slot lies, in the order given.
struct ImportTable {
  uint32_t descriptors = 0;
  uint32_t size = 0;
  std::vector<std::vector<uint32_t>> slots;
};
// Names, thunks and address slots go into data; the descriptor array goes
// into descriptorBlob (which may be data itself), with a zero entry at its end
// when terminated.
ImportTable writeImports(Blob& data, Blob& descriptorBlob, const std::vector<ImportLibrary>& libraries,
                         bool terminated = true);

struct Export {
  std::string name;
  uint32_t rva;
};
// An export table in name order as given; numberOfFunctions below the count
// of names leaves the last names pointing past the function table.
uint32_t writeExports(Blob& data, const std::vector<Export>& exports, uint32_t& size,
                      int numberOfFunctions = -1);

struct Relocation {
  uint32_t rva;
  int type;
};
uint32_t writeRelocations(Blob& data, const std::vector<Relocation>& relocations, uint32_t& size);

// Machine code of this build.
std::vector<uint8_t> returnConstant(uint32_t value);          // a function without parameters
std::vector<uint8_t> entryAnswering(uint32_t value);          // an entry routine's three parameters
// Jumps through the address slot at slotRva; placed at codeRva. In the 32-bit
// build the jump holds an absolute address, at codeRva + 2, that needs relocating.
std::vector<uint8_t> jumpThrough(uint64_t imageBase, uint32_t codeRva, uint32_t slotRva);

// A free 64 KB-aligned address where an image of size bytes can be placed.
uint64_t freeBase(uint32_t size);

}  // namespace tiny
