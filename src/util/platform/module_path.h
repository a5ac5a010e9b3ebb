// Where the plug-in's own library file lies, and joining a file name to it
// (module_path_win32.cpp, module_path_posix.cpp).
#pragma once
#include <string>

namespace kavo {

// Remembers the module's own instance handle; the module entry point calls it
// on process attach. Without it (code linked into a program) the folder is the
// program's own.
void SetModuleInstance(void* instance);

// The folder that holds the library file of this module, without a trailing
// separator (a root keeps its separator); never the program's folder in its
// place. Empty when it cannot be had: on Windows also when the path does not
// fit 260 units, on POSIX when it does not fit PATH_MAX.
std::u16string GetModuleDirectory();

// base and more joined by exactly one separator; on Windows, empty when base is
// too long for the path buffer (260 units).
std::u16string AppendPath(const std::u16string& base, const std::u16string& more);

}  // namespace kavo
