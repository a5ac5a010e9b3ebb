#include <cstdio>

#include "util/text_file.h"

namespace kavo {

// _wfopen shares the file for reading and writing with other processes.
std::FILE* OpenTextFileForWriting(const std::u16string& path) {
    return _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"w");
}

}  // namespace kavo
