// Loading a dynamic library at run time and finding its symbols.
#pragma once
#include <cstdint>
#include <string>

namespace kavo {

using LibraryHandle = void*;

// Null on failure, with the loader's error code in errorCode.
LibraryHandle LoadDynamicLibrary(const std::u16string& path, std::uint32_t& errorCode);
void* FindLibrarySymbol(LibraryHandle library, const char* name);
void FreeDynamicLibrary(LibraryHandle library);

}  // namespace kavo
