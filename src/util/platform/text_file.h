// Opening a text file by its UTF-16 path (text_file_win32.cpp, text_file_posix.cpp):
// created or truncated, text mode (line feeds become CR LF on Windows), other
// processes may still read and write it. Never waits: a path that is not a
// regular file (a named pipe, a directory, a device) or that cannot be opened
// at once gives null.
#pragma once
#include <cstdio>
#include <string>

namespace kavo {

std::FILE* OpenTextFileForWriting(const std::u16string& path);

}  // namespace kavo
