// Opening a text file by its UTF-16 path: created or truncated, text mode
// (line feeds become CR LF on Windows), other processes may still read it
// (text_file_win32.cpp, text_file_posix.cpp).
#pragma once
#include <cstdio>
#include <string>

namespace kavo {

std::FILE* OpenTextFileForWriting(const std::u16string& path);

}  // namespace kavo
