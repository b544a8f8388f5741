#include "ui/mapped_module.h"

#include <cstring>
#include <new>

namespace {

#if defined(_WIN64)
constexpr WORD kNativeMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr int kNativeRelocation = IMAGE_REL_BASED_DIR64;
using RelocatedWord = ULONGLONG;
#else
constexpr WORD kNativeMachine = IMAGE_FILE_MACHINE_I386;
constexpr int kNativeRelocation = IMAGE_REL_BASED_HIGHLOW;
using RelocatedWord = DWORD;
#endif

template <typename F>
F functionFrom(FARPROC p) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
}

// The platform functions the loader works with, looked up by name in the kernel
// module at the start of each stage.
struct Kernel {
  decltype(&VirtualProtect) virtualProtect = nullptr;
  decltype(&LoadLibraryA) loadLibraryA = nullptr;
  decltype(&VirtualAlloc) virtualAlloc = nullptr;
  decltype(&VirtualFree) virtualFree = nullptr;
  decltype(&IsBadReadPtr) isBadReadPtr = nullptr;
  decltype(&GetProcessHeap) getProcessHeap = nullptr;
  decltype(&FreeLibrary) freeLibrary = nullptr;
  decltype(&GetProcAddress) getProcAddress = nullptr;
  decltype(&HeapFree) heapFree = nullptr;
  decltype(&HeapAlloc) heapAlloc = nullptr;
  decltype(&HeapReAlloc) heapReAlloc = nullptr;
#if defined(_WIN64)
  // Unwind data of the mapped code, so that stack walks and exceptions can pass
  // through it. Optional: the image works without.
  decltype(&RtlAddFunctionTable) addFunctionTable = nullptr;
  decltype(&RtlDeleteFunctionTable) deleteFunctionTable = nullptr;
#endif
  bool ok = false;
};

Kernel lookUpKernel() {
  Kernel k;
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return k;
  auto get = [kernel](auto& fn, const char* name) {
    fn = functionFrom<std::remove_reference_t<decltype(fn)>>(GetProcAddress(kernel, name));
    return fn != nullptr;
  };
  k.ok = get(k.virtualProtect, "VirtualProtect") && get(k.loadLibraryA, "LoadLibraryA") &&
         get(k.virtualAlloc, "VirtualAlloc") && get(k.virtualFree, "VirtualFree") &&
         get(k.isBadReadPtr, "IsBadReadPtr") && get(k.getProcessHeap, "GetProcessHeap") &&
         get(k.freeLibrary, "FreeLibrary") && get(k.getProcAddress, "GetProcAddress") &&
         get(k.heapFree, "HeapFree") && get(k.heapAlloc, "HeapAlloc") && get(k.heapReAlloc, "HeapReAlloc");
#if defined(_WIN64)
  get(k.addFunctionTable, "RtlAddFunctionTable");
  get(k.deleteFunctionTable, "RtlDeleteFunctionTable");
#endif
  return k;
}

using EntryRoutine = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

EntryRoutine entryOf(const MappedModule* m) {
  DWORD rva = m->headers->OptionalHeader.AddressOfEntryPoint;
  return rva ? reinterpret_cast<EntryRoutine>(m->codeBase + rva) : nullptr;
}

// Indexed by 4 x executable + 2 x readable + writeable.
constexpr DWORD kSectionProtection[8] = {
    PAGE_NOACCESS, PAGE_WRITECOPY,        PAGE_READONLY,     PAGE_READWRITE,
    PAGE_EXECUTE,  PAGE_EXECUTE_WRITECOPY, PAGE_EXECUTE_READ, PAGE_EXECUTE_READWRITE,
};

// The checks a header copy must pass before anything is reserved: every range
// the later steps read from the bytes lies inside them, and every range they
// write lies inside the image.
bool headersFit(const unsigned char* data, size_t size, const IMAGE_NT_HEADERS* nt) {
  const size_t lfanew = size_t(reinterpret_cast<const IMAGE_DOS_HEADER*>(data)->e_lfanew);
  const IMAGE_OPTIONAL_HEADER& opt = nt->OptionalHeader;
  if (nt->FileHeader.Machine != kNativeMachine || opt.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return false;
  // The directories up to the relocations must be there: every step reads them.
  if (opt.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_BASERELOC ||
      nt->FileHeader.SizeOfOptionalHeader <
          offsetof(IMAGE_OPTIONAL_HEADER, DataDirectory) +
              (IMAGE_DIRECTORY_ENTRY_BASERELOC + 1) * sizeof(IMAGE_DATA_DIRECTORY))
    return false;
  if (opt.SizeOfImage == 0 || opt.SizeOfHeaders > size || opt.SizeOfHeaders > opt.SizeOfImage) return false;
  const size_t table = lfanew + 24 + nt->FileHeader.SizeOfOptionalHeader;
  const size_t tableEnd = table + size_t(nt->FileHeader.NumberOfSections) * sizeof(IMAGE_SECTION_HEADER);
  if (tableEnd > opt.SizeOfHeaders) return false;
  auto* section = reinterpret_cast<const IMAGE_SECTION_HEADER*>(data + table);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    const uint64_t raw = section->SizeOfRawData;
    if (uint64_t(section->VirtualAddress) + raw > opt.SizeOfImage) return false;
    if (raw && uint64_t(section->PointerToRawData) + raw > size) return false;
  }
  for (int d : {IMAGE_DIRECTORY_ENTRY_EXPORT, IMAGE_DIRECTORY_ENTRY_IMPORT, IMAGE_DIRECTORY_ENTRY_BASERELOC}) {
    const IMAGE_DATA_DIRECTORY& dir = opt.DataDirectory[d];
    if (dir.Size && uint64_t(dir.VirtualAddress) + (d == IMAGE_DIRECTORY_ENTRY_IMPORT ? 1 : dir.Size) >
                        opt.SizeOfImage)
      return false;
  }
  return true;
}

bool inImage(const MappedModule* m, uint64_t rva, uint64_t length) {
  return rva + length <= m->headers->OptionalHeader.SizeOfImage;
}

void copySections(MappedModule* m, const Kernel& k, const unsigned char* data) {
  const IMAGE_OPTIONAL_HEADER& opt = m->headers->OptionalHeader;
  IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(m->headers);
  for (WORD i = 0; i < m->headers->FileHeader.NumberOfSections; ++i, ++section) {
    unsigned char* at = m->codeBase + section->VirtualAddress;
    if (section->SizeOfRawData == 0) {
      DWORD size = opt.SectionAlignment;
      if (size > opt.SizeOfImage - section->VirtualAddress) size = opt.SizeOfImage - section->VirtualAddress;
      if (size > 0) {
        if (k.virtualAlloc(at, size, MEM_COMMIT, PAGE_READWRITE)) std::memset(at, 0, size);
      }
    } else {
      if (k.virtualAlloc(at, section->SizeOfRawData, MEM_COMMIT, PAGE_READWRITE))
        std::memcpy(at, data + section->PointerToRawData, section->SizeOfRawData);
    }
    // The copy's section table remembers where each section went (its low
    // 32 bits in the 64-bit build, where the field is too narrow).
    section->Misc.PhysicalAddress = DWORD(reinterpret_cast<uintptr_t>(at));
  }
}

void relocate(MappedModule* m, uintptr_t preferredBase) {
  const uintptr_t delta = reinterpret_cast<uintptr_t>(m->codeBase) - preferredBase;
  const IMAGE_DATA_DIRECTORY& dir = m->headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  if (dir.Size == 0) return;
  const unsigned char* p = m->codeBase + dir.VirtualAddress;
  const unsigned char* end = p + dir.Size;
  while (end - p >= ptrdiff_t(sizeof(IMAGE_BASE_RELOCATION))) {
    auto* block = reinterpret_cast<const IMAGE_BASE_RELOCATION*>(p);
    if (block->VirtualAddress == 0) break;
    // A block that claims less than its own header, or more than is left,
    // would walk forever or off the table.
    if (block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION) || block->SizeOfBlock > size_t(end - p)) break;
    auto* entry = reinterpret_cast<const WORD*>(p + sizeof(IMAGE_BASE_RELOCATION));
    const DWORD count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / 2;
    for (DWORD i = 0; i < count; ++i) {
      if ((entry[i] >> 12) != kNativeRelocation) continue;
      const uint64_t rva = uint64_t(block->VirtualAddress) + (entry[i] & 0xFFF);
      if (!inImage(m, rva, sizeof(RelocatedWord))) continue;
      RelocatedWord value;
      std::memcpy(&value, m->codeBase + rva, sizeof value);
      value = RelocatedWord(value + delta);
      std::memcpy(m->codeBase + rva, &value, sizeof value);
    }
    p += block->SizeOfBlock;
  }
}

bool resolveImports(MappedModule* m, const Kernel& k) {
  const IMAGE_DATA_DIRECTORY& dir = m->headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.Size == 0) return true;
  HANDLE heap = k.getProcessHeap();
  auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(m->codeBase + dir.VirtualAddress);
  for (;; ++descriptor) {
    if (k.isBadReadPtr(descriptor, sizeof(IMAGE_IMPORT_DESCRIPTOR)) || descriptor->Name == 0) break;
    if (!inImage(m, descriptor->Name, 1)) return false;
    HMODULE library = k.loadLibraryA(reinterpret_cast<const char*>(m->codeBase + descriptor->Name));
    if (!library) return false;
    auto* grown = static_cast<HMODULE*>(k.heapReAlloc(heap, HEAP_ZERO_MEMORY, m->dependencies,
                                                      (size_t(m->dependencyCount) + 2) * sizeof(HMODULE)));
    if (!grown) {
      k.freeLibrary(library);
      return false;
    }
    m->dependencies = grown;
    m->dependencies[m->dependencyCount++] = library;

    const DWORD names = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
    for (DWORD i = 0;; ++i) {
      const uint64_t nameAt = uint64_t(names) + uint64_t(i) * sizeof(IMAGE_THUNK_DATA);
      const uint64_t addressAt = uint64_t(descriptor->FirstThunk) + uint64_t(i) * sizeof(IMAGE_THUNK_DATA);
      if (!inImage(m, nameAt, sizeof(IMAGE_THUNK_DATA)) || !inImage(m, addressAt, sizeof(IMAGE_THUNK_DATA)))
        return false;
      auto* nameEntry = reinterpret_cast<IMAGE_THUNK_DATA*>(m->codeBase + nameAt);
      auto* addressEntry = reinterpret_cast<IMAGE_THUNK_DATA*>(m->codeBase + addressAt);
      if (nameEntry->u1.AddressOfData == 0) break;
      FARPROC function;
      if (IMAGE_SNAP_BY_ORDINAL(nameEntry->u1.Ordinal)) {
        function = k.getProcAddress(library, reinterpret_cast<LPCSTR>(uintptr_t(IMAGE_ORDINAL(nameEntry->u1.Ordinal))));
      } else {
        const uint64_t hint = nameEntry->u1.AddressOfData;
        if (!inImage(m, hint, 3)) return false;
        function = k.getProcAddress(library, reinterpret_cast<LPCSTR>(m->codeBase + hint + 2));
      }
      if (!function) return false;
      addressEntry->u1.Function = reinterpret_cast<ULONG_PTR>(function);
    }
  }
  return true;
}

void finaliseSections(MappedModule* m, const Kernel& k) {
  const IMAGE_OPTIONAL_HEADER& opt = m->headers->OptionalHeader;
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(m->headers);
  for (WORD i = 0; i < m->headers->FileHeader.NumberOfSections; ++i, ++section) {
    const DWORD flags = section->Characteristics;
    unsigned char* at = m->codeBase + section->VirtualAddress;
    if (flags & IMAGE_SCN_MEM_DISCARDABLE) {
      // Decommitting works on whole pages: with sections packed tighter than a
      // page it would take the neighbours along.
      if (section->SizeOfRawData && opt.SectionAlignment >= info.dwPageSize)
        k.virtualFree(at, section->SizeOfRawData, MEM_DECOMMIT);
      continue;
    }
    const int index = ((flags & IMAGE_SCN_MEM_EXECUTE) ? 4 : 0) + ((flags & IMAGE_SCN_MEM_READ) ? 2 : 0) +
                      ((flags & IMAGE_SCN_MEM_WRITE) ? 1 : 0);
    DWORD protection = kSectionProtection[index];
    if (flags & IMAGE_SCN_MEM_NOT_CACHED) protection |= PAGE_NOCACHE;
    DWORD size = section->SizeOfRawData;
    if (size == 0) {
      if (flags & IMAGE_SCN_CNT_INITIALIZED_DATA)
        size = opt.SizeOfInitializedData;
      else if (flags & IMAGE_SCN_CNT_UNINITIALIZED_DATA)
        size = opt.SizeOfUninitializedData;
    }
    if (size > opt.SizeOfImage - section->VirtualAddress) size = opt.SizeOfImage - section->VirtualAddress;
    if (size == 0) continue;
    DWORD old;
    if (!k.virtualProtect(at, size, protection, &old)) {
      // Private memory cannot be write-copy; its nearest meaning there is a
      // writeable page of the process's own.
      DWORD plain = protection & ~DWORD(PAGE_NOCACHE);
      DWORD fallback = plain == PAGE_WRITECOPY           ? PAGE_READWRITE
                       : plain == PAGE_EXECUTE_WRITECOPY ? PAGE_EXECUTE_READWRITE
                                                         : 0;
      if (fallback) k.virtualProtect(at, size, fallback | (protection & PAGE_NOCACHE), &old);
    }
  }
}

#if defined(_WIN64)
void registerUnwindData(MappedModule* m, const Kernel& k) {
  const IMAGE_DATA_DIRECTORY& dir = m->headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
  if (!k.addFunctionTable || m->headers->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXCEPTION ||
      dir.Size < sizeof(RUNTIME_FUNCTION) || !inImage(m, dir.VirtualAddress, dir.Size))
    return;
  auto* table = reinterpret_cast<PRUNTIME_FUNCTION>(m->codeBase + dir.VirtualAddress);
  if (k.addFunctionTable(table, DWORD(dir.Size / sizeof(RUNTIME_FUNCTION)), DWORD64(m->codeBase)))
    m->functionTable = table;
}
#endif

}  // namespace

MappedModule* loadImage(const void* bytes, size_t size) {
  const Kernel k = lookUpKernel();
  if (!k.ok) return nullptr;
  auto* data = static_cast<const unsigned char*>(bytes);
  if (!data || size < sizeof(IMAGE_DOS_HEADER)) return nullptr;
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(data);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  if (dos->e_lfanew < 0 || size_t(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > size) return nullptr;
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(data + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  if (!headersFit(data, size, nt)) return nullptr;
  const uintptr_t preferredBase = uintptr_t(nt->OptionalHeader.ImageBase);
  const DWORD imageSize = nt->OptionalHeader.SizeOfImage;

  void* base = k.virtualAlloc(reinterpret_cast<void*>(preferredBase), imageSize, MEM_RESERVE, PAGE_READWRITE);
  if (!base) base = k.virtualAlloc(nullptr, imageSize, MEM_RESERVE, PAGE_READWRITE);
  if (!base) return nullptr;

  HANDLE heap = k.getProcessHeap();
  void* record = k.heapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(MappedModule));
  if (!record) {
    k.virtualFree(base, 0, MEM_RELEASE);
    return nullptr;
  }
  auto* m = new (record) MappedModule;
  m->codeBase = static_cast<unsigned char*>(base);
  m->dependencies = static_cast<HMODULE*>(k.heapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(HMODULE)));
  auto fail = [m] {
    freeImage(m);
    return nullptr;
  };
  if (!m->dependencies) return fail();

  // Without the commits there is nothing to copy into: such a load fails here
  // instead of faulting later.
  if (!k.virtualAlloc(m->codeBase, imageSize, MEM_COMMIT, PAGE_READWRITE)) return fail();
  auto* headers = static_cast<unsigned char*>(
      k.virtualAlloc(m->codeBase, nt->OptionalHeader.SizeOfHeaders, MEM_COMMIT, PAGE_READWRITE));
  if (!headers) return fail();
  // SizeOfHeaders already counts from the start of the file.
  std::memcpy(headers, data, nt->OptionalHeader.SizeOfHeaders);
  m->headers = reinterpret_cast<PIMAGE_NT_HEADERS>(headers + dos->e_lfanew);
  m->headers->OptionalHeader.ImageBase = reinterpret_cast<uintptr_t>(m->codeBase);

  copySections(m, k, data);
  if (reinterpret_cast<uintptr_t>(m->codeBase) != preferredBase) relocate(m, preferredBase);
  if (!resolveImports(m, k)) return fail();
  finaliseSections(m, k);
#if defined(_WIN64)
  registerUnwindData(m, k);
#endif

  EntryRoutine entry = entryOf(m);
  if (!entry) return m;
  if (!entry(reinterpret_cast<HINSTANCE>(m->codeBase), DLL_PROCESS_ATTACH, nullptr)) return fail();
  m->initialised = 1;
  return m;
}

void freeImage(MappedModule* m) {
  if (!m) return;
  const Kernel k = lookUpKernel();
  if (!k.ok) return;
  if (m->initialised) {
    if (EntryRoutine entry = entryOf(m)) entry(reinterpret_cast<HINSTANCE>(m->codeBase), DLL_PROCESS_DETACH, nullptr);
    m->initialised = 0;
  }
  HANDLE heap = k.getProcessHeap();
  if (m->dependencies) {
    for (int32_t i = 0; i < m->dependencyCount; ++i)
      if (m->dependencies[i] && m->dependencies[i] != INVALID_HANDLE_VALUE) k.freeLibrary(m->dependencies[i]);
    k.heapFree(heap, 0, m->dependencies);
  }
#if defined(_WIN64)
  if (m->functionTable && k.deleteFunctionTable)
    k.deleteFunctionTable(static_cast<PRUNTIME_FUNCTION>(m->functionTable));
#endif
  if (m->codeBase) k.virtualFree(m->codeBase, 0, MEM_RELEASE);
  m->~MappedModule();
  k.heapFree(heap, 0, m);
}

FARPROC findExport(const MappedModule* m, const char* name) {
  if (!m || !name) return nullptr;
  const IMAGE_DATA_DIRECTORY& dir = m->headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.Size == 0 || !inImage(m, dir.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY))) return nullptr;
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(m->codeBase + dir.VirtualAddress);
  if (exports->NumberOfNames == 0 || exports->NumberOfFunctions == 0) return nullptr;
  if (!inImage(m, exports->AddressOfNames, uint64_t(exports->NumberOfNames) * 4) ||
      !inImage(m, exports->AddressOfNameOrdinals, uint64_t(exports->NumberOfNames) * 2) ||
      !inImage(m, exports->AddressOfFunctions, uint64_t(exports->NumberOfFunctions) * 4))
    return nullptr;
  auto* names = reinterpret_cast<const DWORD*>(m->codeBase + exports->AddressOfNames);
  auto* ordinals = reinterpret_cast<const WORD*>(m->codeBase + exports->AddressOfNameOrdinals);
  auto* functions = reinterpret_cast<const DWORD*>(m->codeBase + exports->AddressOfFunctions);
  const DWORD imageSize = m->headers->OptionalHeader.SizeOfImage;
  const size_t wanted = std::strlen(name) + 1;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    if (names[i] >= imageSize || imageSize - names[i] < wanted) continue;
    if (std::memcmp(m->codeBase + names[i], name, wanted) != 0) continue;
    const WORD ordinal = ordinals[i];
    if (ordinal >= exports->NumberOfFunctions) return nullptr;
    return reinterpret_cast<FARPROC>(m->codeBase + functions[ordinal]);
  }
  return nullptr;
}

intptr_t callExport(const void* address, const ExportArguments& arguments) {
  if (!address) return 0;
  intptr_t values[15] = {};
  int count = 0;
  for (const ExportArgument& a : arguments)
    if (a.present) values[count++] = a.value;
#if defined(_WIN64)
  // The caller owns the argument area and the callee reads only the parameters
  // it has, so unused trailing values are invisible to it.
  using Call = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                            intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
  auto call = reinterpret_cast<Call>(const_cast<void*>(address));
  return call(values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7], values[8],
              values[9], values[10], values[11], values[12], values[13], values[14]);
#else
  // The stack pointer is kept in EDI (preserved by every callee) and put back
  // after the call, so it does not matter who removes the arguments. The pushes
  // leave the stack 16-byte aligned at the call.
  intptr_t result;
  const intptr_t* list = values;
  asm volatile(
      "movl %%esp, %%edi\n\t"
      "andl $-16, %%esp\n\t"
      "leal (,%%ecx,4), %%edx\n\t"
      "negl %%edx\n\t"
      "andl $15, %%edx\n\t"
      "subl %%edx, %%esp\n\t"
      "jecxz 2f\n"
      "1:\n\t"
      "pushl -4(%%esi,%%ecx,4)\n\t"
      "loop 1b\n"
      "2:\n\t"
      "call *%%eax\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(result), "+c"(count), "+S"(list)
      : "0"(reinterpret_cast<intptr_t>(address))
      : "edx", "edi", "memory", "cc");
  return result;
#endif
}
