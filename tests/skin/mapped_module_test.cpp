// The in-memory loader on small images made here, one case each.
#include "ui/mapped_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "skin/tiny_image.h"

namespace {

// ---- an entry routine that reports to the test ----

struct EntryCall {
  HINSTANCE instance;
  DWORD reason;
};
std::vector<EntryCall> entryCalls;
BOOL entryAnswer = TRUE;

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI quorvaneEntryProbe(HINSTANCE instance, DWORD reason, LPVOID) {
  entryCalls.push_back({instance, reason});
  return entryAnswer;
}

namespace {

#if defined(_WIN64)
constexpr int kNativeRelocation = IMAGE_REL_BASED_DIR64;
constexpr int kOtherRelocation = IMAGE_REL_BASED_HIGHLOW;
const char kProbeName[] = "quorvaneEntryProbe";
#else
constexpr int kNativeRelocation = IMAGE_REL_BASED_HIGHLOW;
constexpr int kOtherRelocation = IMAGE_REL_BASED_DIR64;
const char kProbeName[] = "quorvaneEntryProbe@12";
#endif

std::string ownPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Ordinal under which kernel32 exports a name, read from its export table.
uint16_t kernelOrdinal(const char* name) {
  auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(L"kernel32.dll"));
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
      base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
  auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
  auto* ordinals = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
  for (DWORD i = 0; i < dir->NumberOfNames; ++i)
    if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), name) == 0)
      return uint16_t(dir->Base + ordinals[i]);
  return 0;
}

struct ModuleDeleter {
  void operator()(MappedModule* m) const { freeImage(m); }
};
using Module = std::unique_ptr<MappedModule, ModuleDeleter>;

Module load(const std::vector<uint8_t>& bytes) { return Module(loadImage(bytes.data(), bytes.size())); }

bool isFree(uint64_t address) {
  MEMORY_BASIC_INFORMATION info;
  return VirtualQuery(reinterpret_cast<void*>(uintptr_t(address)), &info, sizeof info) && info.State == MEM_FREE;
}

// Code at 0x1000, exports and imports at 0x2000, data at 0x3000, an
// uninitialised section at 0x4000, relocations at 0x6000.
constexpr uint32_t kAlpha = 0x1000, kBeta = 0x1010, kGamma = 0x1020, kEntry = 0x1030;
constexpr uint32_t kPointerSlot = 0x3000, kMarkerSlot = 0x3010, kBss = 0x4000;

struct Options {
  std::vector<tiny::ImportLibrary> imports;
  bool terminated = true;
  bool descriptorsAtImageEnd = false;
  int entry = -1;            // -1 none, else the answer of a routine of its own
  bool entryThroughProbe = false;
  bool exports = true;
};

struct Built {
  std::vector<uint8_t> bytes;
  uint64_t base = 0;
  tiny::ImportTable imports;
};

Built build(Options options) {
  Built out;
  out.base = tiny::freeBase(0x20000);
  if (options.entryThroughProbe) options.imports.insert(options.imports.begin(), {ownPath(), {kProbeName}});
  tiny::Image image;
  image.imageBase = out.base;

  tiny::Blob rdata(0x2000);
  tiny::Blob descriptors(0x7000);
  if (options.exports) {
    uint32_t size = 0;
    uint32_t at = tiny::writeExports(rdata, {{"Alpha", kAlpha}, {"AlphaBeta", kBeta}, {"Gamma", kGamma}}, size);
    image.directory[IMAGE_DIRECTORY_ENTRY_EXPORT] = {at, size};
  }
  if (!options.imports.empty()) {
    tiny::Blob& table = options.descriptorsAtImageEnd ? descriptors : rdata;
    if (options.descriptorsAtImageEnd) {
      // The array fills the image's last bytes: what follows is not mapped.
      const uint32_t count = uint32_t(options.imports.size()) + (options.terminated ? 1 : 0);
      descriptors.fillTo(0x8000 - count * sizeof(IMAGE_IMPORT_DESCRIPTOR), 0);
    }
    out.imports = tiny::writeImports(rdata, table, options.imports, options.terminated);
    image.directory[IMAGE_DIRECTORY_ENTRY_IMPORT] = {out.imports.descriptors, out.imports.size};
  }

  tiny::Blob text(0x1000);
  text.put(tiny::returnConstant(0xA1));
  text.fillTo(kBeta, 0xCC);
  text.put(tiny::returnConstant(0xB2));
  text.fillTo(kGamma, 0xCC);
  text.put(tiny::returnConstant(0xC3));
  text.fillTo(kEntry, 0xCC);
  std::vector<tiny::Relocation> relocations = {{kPointerSlot, kNativeRelocation}, {kMarkerSlot, kOtherRelocation}};
  if (options.entryThroughProbe) {
    text.put(tiny::jumpThrough(out.base, kEntry, out.imports.slots[0][0]));
#if !defined(_WIN64)
    relocations.push_back({kEntry + 2, IMAGE_REL_BASED_HIGHLOW});
#endif
    image.entryRva = kEntry;
  } else if (options.entry >= 0) {
    text.put(tiny::entryAnswering(uint32_t(options.entry)));
    image.entryRva = kEntry;
  }

  tiny::Blob data(0x3000);
  data.putPointer(out.base + kAlpha);
  data.fillTo(kMarkerSlot);
  data.put32(0x11223344);

  tiny::Blob reloc(0x6000);
  uint32_t relocSize = 0;
  uint32_t relocAt = tiny::writeRelocations(reloc, relocations, relocSize);
  image.directory[IMAGE_DIRECTORY_ENTRY_BASERELOC] = {relocAt, relocSize};

  image.sections = {
      {".text", 0x1000, tiny::kCode, text.bytes(), 0x1000},
      {".rdata", 0x2000, tiny::kReadOnly, rdata.bytes(), 0x1000},
      {".data", 0x3000, tiny::kReadWrite, data.bytes(), 0x1000},
      {".bss", kBss, tiny::kUninitialised, {}, 0x2000},
      {".reloc", 0x6000, tiny::kDiscardable, reloc.bytes(), 0x1000},
  };
  if (options.descriptorsAtImageEnd) image.sections.push_back({".idesc", 0x7000, tiny::kReadOnly, descriptors.bytes(), 0x1000});
  image.sizeOfUninitializedData = 0x2000;
  out.bytes = image.build();
  return out;
}

template <typename T>
T at(const MappedModule* m, uint32_t rva) {
  T v;
  std::memcpy(&v, m->codeBase + rva, sizeof v);
  return v;
}

intptr_t callNamed(const MappedModule* m, const char* name) {
  FARPROC f = findExport(m, name);
  return f ? callExportWith(reinterpret_cast<const void*>(f)) : -1;
}

TEST(MappedModule, ImageAtItsPreferredBaseKeepsItsAddresses) {
  Built b = build({});
  ASSERT_NE(b.base, 0u);
  Module m = load(b.bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(m->codeBase), b.base);
  EXPECT_EQ(at<uintptr_t>(m.get(), kPointerSlot), b.base + kAlpha);
  EXPECT_EQ(m->headers->OptionalHeader.ImageBase, b.base);
  EXPECT_EQ(callNamed(m.get(), "Alpha"), 0xA1);
}

TEST(MappedModule, ImageElsewhereIsRelocatedByTheDifferenceOfTheBases) {
  Built b = build({});
  // Someone else holds the preferred address.
  void* taken = VirtualAlloc(reinterpret_cast<void*>(uintptr_t(b.base)), 0x10000, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_EQ(reinterpret_cast<uintptr_t>(taken), b.base);
  Module m = load(b.bytes);
  ASSERT_TRUE(m);
  const uintptr_t base = reinterpret_cast<uintptr_t>(m->codeBase);
  EXPECT_NE(base, b.base);
  EXPECT_EQ(at<uintptr_t>(m.get(), kPointerSlot), base + kAlpha);
  EXPECT_EQ(at<uint32_t>(m.get(), kMarkerSlot), 0x11223344u) << "an entry of another type is skipped";
  EXPECT_EQ(m->headers->OptionalHeader.ImageBase, base);
  EXPECT_EQ(callNamed(m.get(), "Beta"), -1);
  EXPECT_EQ(callNamed(m.get(), "AlphaBeta"), 0xB2);
  m.reset();
  VirtualFree(taken, 0, MEM_RELEASE);
}

TEST(MappedModule, ImportsAreResolvedByNameAndByOrdinalInLoadOrder) {
  const uint16_t ordinal = kernelOrdinal("GetTickCount");
  ASSERT_NE(ordinal, 0);
  Options o;
  o.imports = {{"kernel32.dll", {std::string("GetCurrentProcessId"), ordinal}}, {"user32.dll", {std::string("GetDesktopWindow")}}};
  Built b = build(o);
  Module m = load(b.bytes);
  ASSERT_TRUE(m);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll"), user = GetModuleHandleW(L"user32.dll");
  EXPECT_EQ(at<uintptr_t>(m.get(), b.imports.slots[0][0]),
            reinterpret_cast<uintptr_t>(GetProcAddress(kernel, "GetCurrentProcessId")));
  EXPECT_EQ(at<uintptr_t>(m.get(), b.imports.slots[0][1]), reinterpret_cast<uintptr_t>(GetProcAddress(kernel, "GetTickCount")));
  EXPECT_EQ(at<uintptr_t>(m.get(), b.imports.slots[1][0]), reinterpret_cast<uintptr_t>(GetProcAddress(user, "GetDesktopWindow")));
  ASSERT_EQ(m->dependencyCount, 2);
  EXPECT_EQ(m->dependencies[0], kernel);
  EXPECT_EQ(m->dependencies[1], user);
}

TEST(MappedModule, ImportTableWithoutTerminatorEndsAtTheFirstUnreadableDescriptor) {
  Options o;
  o.imports = {{"kernel32.dll", {std::string("GetCurrentThreadId")}}};
  o.terminated = false;
  o.descriptorsAtImageEnd = true;
  Built b = build(o);
  Module m = load(b.bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->dependencyCount, 1);
  EXPECT_EQ(at<uintptr_t>(m.get(), b.imports.slots[0][0]),
            reinterpret_cast<uintptr_t>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetCurrentThreadId")));
}

TEST(MappedModule, ExportsAreFoundByTheirExactNameOnly) {
  Built b = build({});
  Module m = load(b.bytes);
  ASSERT_TRUE(m);
  const struct {
    const char* name;
    intptr_t result;  // -1: not found
  } cases[] = {
      {"Alpha", 0xA1}, {"AlphaBeta", 0xB2}, {"Gamma", 0xC3},
      {"Alph", -1},    {"AlphaB", -1},      {"alpha", -1},  {"ALPHA", -1}, {"AlphaBetaGamma", -1}, {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(callNamed(m.get(), c.name), c.result) << c.name;
}

TEST(MappedModule, ExportWhoseOrdinalLiesPastTheFunctionTableIsNotFound) {
  tiny::Image image;
  image.imageBase = tiny::freeBase(0x10000);
  tiny::Blob text(0x1000);
  text.put(tiny::returnConstant(7));
  tiny::Blob rdata(0x2000);
  uint32_t size = 0;
  uint32_t dir = tiny::writeExports(rdata, {{"Inside", 0x1000}, {"Outside", 0x1000}}, size, 1);
  image.directory[IMAGE_DIRECTORY_ENTRY_EXPORT] = {dir, size};
  image.sections = {{".text", 0x1000, tiny::kCode, text.bytes()}, {".rdata", 0x2000, tiny::kReadOnly, rdata.bytes()}};
  Module m = load(image.build());
  ASSERT_TRUE(m);
  EXPECT_EQ(callNamed(m.get(), "Inside"), 7);
  EXPECT_EQ(findExport(m.get(), "Outside"), nullptr);
}

TEST(MappedModule, ImageWithoutExportsFindsNothing) {
  Options o;
  o.exports = false;
  Module m = load(build(o).bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(findExport(m.get(), "Alpha"), nullptr);
  EXPECT_EQ(findExport(nullptr, "Alpha"), nullptr);
}

// A section without raw data gets the section alignment's worth of zeros,
// whatever the file holds around it.
TEST(MappedModule, SectionWithoutRawDataIsZeroFilledToTheSectionAlignment) {
  for (uint32_t alignment : {0x1000u, 0x2000u}) {
    tiny::Image image;
    image.imageBase = tiny::freeBase(0x10000);
    image.sectionAlignment = alignment;
    std::vector<uint8_t> noise(0x400, 0xCC);
    image.sections = {{".text", alignment, tiny::kCode, tiny::returnConstant(1), alignment},
                      {".bss", 2 * alignment, tiny::kUninitialised, {}, alignment},
                      {".data", 3 * alignment, tiny::kReadWrite, noise, alignment}};
    image.trailer = noise;
    image.sizeOfUninitializedData = alignment;
    Module m = load(image.build());
    ASSERT_TRUE(m) << alignment;
    unsigned char* bss = m->codeBase + 2 * alignment;
    EXPECT_TRUE(std::all_of(bss, bss + alignment, [](unsigned char c) { return c == 0; })) << alignment;
    MEMORY_BASIC_INFORMATION info;
    ASSERT_TRUE(VirtualQuery(bss, &info, sizeof info));
    EXPECT_EQ(info.Protect, DWORD(PAGE_READWRITE)) << alignment;
    bss[alignment - 1] = 1;  // writeable to its end
  }
}

TEST(MappedModule, SectionsTakeTheProtectionOfTheirFlags) {
  tiny::Image image;
  image.imageBase = tiny::freeBase(0x10000);
  const std::vector<uint8_t> page(0x200, 0x90);
  const struct {
    uint32_t flags;
    DWORD protection;  // 0: decommitted
  } cases[] = {
      {tiny::kCode, PAGE_EXECUTE_READ},
      {tiny::kReadOnly, PAGE_READONLY},
      {tiny::kReadWrite, PAGE_READWRITE},
      {tiny::kReadWrite | IMAGE_SCN_MEM_NOT_CACHED, PAGE_READWRITE | PAGE_NOCACHE},
      {IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_WRITE, PAGE_READWRITE},  // write-copy: private memory's own
      {IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE, PAGE_EXECUTE},
      {IMAGE_SCN_CNT_INITIALIZED_DATA, PAGE_NOACCESS},
      {tiny::kDiscardable, 0},
  };
  uint32_t rva = 0x1000;
  for (const auto& c : cases) {
    image.sections.push_back({".s", rva, c.flags, page});
    rva += 0x1000;
  }
  Module m = load(image.build());
  ASSERT_TRUE(m);
  rva = 0x1000;
  for (const auto& c : cases) {
    MEMORY_BASIC_INFORMATION info;
    ASSERT_TRUE(VirtualQuery(m->codeBase + rva, &info, sizeof info));
    if (c.protection == 0)
      EXPECT_EQ(info.State, DWORD(MEM_RESERVE)) << std::hex << c.flags;
    else  // the no-cache modifier is the platform's to report; the test bench does not
      EXPECT_EQ(info.Protect & ~DWORD(PAGE_NOCACHE), c.protection & ~DWORD(PAGE_NOCACHE)) << std::hex << c.flags;
    rva += 0x1000;
  }
}

TEST(MappedModule, EntryRoutineSeesTheAttachAndTheDetach) {
  entryCalls.clear();
  entryAnswer = TRUE;
  Options o;
  o.entryThroughProbe = true;
  Built b = build(o);
  MappedModule* m = loadImage(b.bytes.data(), b.bytes.size());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->initialised, 1);
  ASSERT_EQ(entryCalls.size(), 1u);
  EXPECT_EQ(entryCalls[0].reason, DWORD(DLL_PROCESS_ATTACH));
  EXPECT_EQ(reinterpret_cast<unsigned char*>(entryCalls[0].instance), m->codeBase);
  freeImage(m);
  ASSERT_EQ(entryCalls.size(), 2u);
  EXPECT_EQ(entryCalls[1].reason, DWORD(DLL_PROCESS_DETACH));
  EXPECT_TRUE(isFree(b.base));
}

TEST(MappedModule, EntryRoutineThatRefusesGetsNoDetach) {
  entryCalls.clear();
  entryAnswer = FALSE;
  Options o;
  o.entryThroughProbe = true;
  Built b = build(o);
  EXPECT_EQ(loadImage(b.bytes.data(), b.bytes.size()), nullptr);
  ASSERT_EQ(entryCalls.size(), 1u);
  EXPECT_EQ(entryCalls[0].reason, DWORD(DLL_PROCESS_ATTACH));
  EXPECT_TRUE(isFree(b.base));
  entryAnswer = TRUE;
}

// Each broken image gives no module and leaves no reservation behind.
TEST(MappedModule, BrokenImagesGiveNoModule) {
  auto plain = [] { return build({}); };
  auto importing = [](std::vector<tiny::ImportLibrary> imports) {
    Options o;
    o.imports = std::move(imports);
    return build(o);
  };
  auto entry = [](int answer) {
    Options o;
    o.entry = answer;
    return build(o);
  };
  struct Case {
    const char* what;
    Built built;
    void (*spoil)(std::vector<uint8_t>&);
  };
  std::vector<Case> cases;
  cases.push_back({"no MZ", plain(), [](std::vector<uint8_t>& b) { b[0] = 'X'; }});
  cases.push_back({"no PE", plain(), [](std::vector<uint8_t>& b) { b[0x41] = 'X'; }});
  cases.push_back({"PE without its zero bytes", plain(), [](std::vector<uint8_t>& b) { b[0x42] = 1; }});
  cases.push_back({"headers past the end", plain(), [](std::vector<uint8_t>& b) { b.resize(0x60); }});
  cases.push_back({"sections past the end", plain(), [](std::vector<uint8_t>& b) { b.resize(0x500); }});
  cases.push_back({"another machine's image", plain(), [](std::vector<uint8_t>& b) {
                     const uint16_t other = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
                     std::memcpy(b.data() + 0x44, &other, 2);
                   }});
  cases.push_back({"unloadable dependency", importing({{"quorvane-no-such-library.dll", {std::string("Anything")}}}),
                   nullptr});
  cases.push_back({"unresolvable import", importing({{"kernel32.dll", {std::string("GetCurrentProcessId"),
                                                                       std::string("QuorvaneNoSuchFunction")}}}),
                   nullptr});
  cases.push_back({"unresolvable ordinal", importing({{"kernel32.dll", {uint16_t(65000)}}}), nullptr});
  cases.push_back({"entry routine refuses", entry(0), nullptr});
  for (Case& c : cases) {
    if (c.spoil) c.spoil(c.built.bytes);
    EXPECT_EQ(loadImage(c.built.bytes.data(), c.built.bytes.size()), nullptr) << c.what;
    EXPECT_TRUE(isFree(c.built.base)) << c.what;
  }
  EXPECT_EQ(loadImage(nullptr, 0), nullptr);
}

TEST(MappedModule, EntryRoutineThatAcceptsMarksTheModuleInitialised) {
  Options o;
  o.entry = 1;
  Module m = load(build(o).bytes);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->initialised, 1);
  Module without = load(build({}).bytes);
  ASSERT_TRUE(without);
  EXPECT_EQ(without->initialised, 0);
}

// ---- call export ----

template <size_t>
using Arg = intptr_t;

template <typename Indexes>
struct Probe;
template <size_t... I>
struct Probe<std::index_sequence<I...>> {
  // Order-sensitive digest of exactly its own parameters.
  static intptr_t WINAPI call(Arg<I>... a) {
    intptr_t h = intptr_t(sizeof...(I));
    ((h = h * 131 + a), ...);
    return h;
  }
};

template <size_t N>
const void* probe() {
  return reinterpret_cast<const void*>(&Probe<std::make_index_sequence<N>>::call);
}

template <size_t... N>
std::vector<const void*> probes(std::index_sequence<N...>) {
  return {probe<N>()...};
}

TEST(CallExport, PassesThePresentArgumentsFirstToLastForEveryCount) {
  const std::vector<const void*> callees = probes(std::make_index_sequence<16>());
  for (size_t n = 0; n <= 15; ++n) {
    std::vector<intptr_t> values;
    for (size_t i = 0; i < n; ++i) values.push_back(intptr_t((i % 2 ? -1 : 1) * intptr_t(1000 * (i + 1) + 7)));
    intptr_t expected = intptr_t(n);
    for (intptr_t v : values) expected = expected * 131 + v;
    // Absent pairs between the present ones are not passed.
    ExportArguments arguments{};
    size_t next = 0;
    for (ExportArgument& slot : arguments) {
      const bool gap = n <= 7 && (&slot - arguments.data()) % 2 == 0;
      if (next < n && !gap) slot = {values[next++], true};
    }
    for (size_t i = 0; i < arguments.size(); ++i)
      if (!arguments[i].present) arguments[i].value = 0x5A5A;
    EXPECT_EQ(callExport(callees[n], arguments), expected) << n << " arguments";
  }
}

int WINAPI removesItsArguments(int a, int b, int c) { return a * 100 + b * 10 + c; }
int __cdecl leavesItsArguments(int a, int b, int c) { return a * 100 + b * 10 + c; }

uintptr_t stackPointer() {
  uintptr_t sp;
#if defined(_WIN64)
  asm volatile("movq %%rsp, %0" : "=r"(sp));
#else
  asm volatile("movl %%esp, %0" : "=r"(sp));
#endif
  return sp;
}

// Meaningful in the 32-bit build, where the two conventions differ in who
// removes the arguments; the 64-bit build has only one convention.
TEST(CallExport, StackIsTheSameAfterCallsOfEitherConvention) {
  const uintptr_t before = stackPointer();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(callExportWith(reinterpret_cast<const void*>(&removesItsArguments), 1, 2, 3), 123);
    EXPECT_EQ(callExportWith(reinterpret_cast<const void*>(&leavesItsArguments), 4, 5, 6), 456);
  }
  EXPECT_EQ(stackPointer(), before);
  EXPECT_EQ(callExport(nullptr, ExportArguments{}), 0);
}

}  // namespace
