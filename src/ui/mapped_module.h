// A DLL image mapped from memory instead of from a file: the program carries its
// skin engine inside itself and never writes it to disk.
//
// The loader maps images native to its build: PE32 with HIGHLOW relocations in
// the 32-bit program, PE32+ with DIR64 relocations in the 64-bit one.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// The record of one loaded image; allocated from the process heap.
struct MappedModule {
  PIMAGE_NT_HEADERS headers = nullptr;  // inside the mapped copy
  unsigned char* codeBase = nullptr;
  HMODULE* dependencies = nullptr;      // libraries loaded for the imports, in load order
  int32_t dependencyCount = 0;
  int32_t initialised = 0;              // 1 once the entry routine accepted the attach
#if defined(_WIN64)
  void* functionTable = nullptr;        // unwind data registered for the mapped code
#endif
};

// Maps the image held in bytes[0, size). Null when the image is not a loadable
// DLL of this build's kind, a dependency or import cannot be resolved, or the
// entry routine refuses the attach; nothing stays behind then.
MappedModule* loadImage(const void* bytes, size_t size);

// Undoes loadImage: detach call, dependencies, address range, record. Null does nothing.
void freeImage(MappedModule* module);

// Address of the function exported under exactly this name (case matters), or null.
FARPROC findExport(const MappedModule* module, const char* name);

// One argument of callExport; only present ones are passed.
struct ExportArgument {
  intptr_t value = 0;
  bool present = false;
};
using ExportArguments = std::array<ExportArgument, 15>;

// Calls the function at address with its present arguments in order (the first
// one is the function's first parameter) and answers its result. In the 32-bit
// build the stack is put back afterwards whether the callee removed its
// arguments (stdcall) or left them (cdecl); the 64-bit build has one calling
// convention, in which the caller always owns the argument area.
intptr_t callExport(const void* address, const ExportArguments& arguments);

template <typename T>
intptr_t exportArgumentValue(T value) {
  if constexpr (std::is_null_pointer_v<T>)
    return 0;
  else if constexpr (std::is_pointer_v<T>)
    return reinterpret_cast<intptr_t>(value);
  else
    return static_cast<intptr_t>(value);
}

// callExport with every given value present.
template <typename... Values>
intptr_t callExportWith(const void* address, Values... values) {
  static_assert(sizeof...(Values) <= 15, "at most 15 arguments");
  ExportArguments arguments{};
  size_t i = 0;
  ((arguments[i++] = ExportArgument{exportArgumentValue(values), true}), ...);
  (void)i;
  return callExport(address, arguments);
}
