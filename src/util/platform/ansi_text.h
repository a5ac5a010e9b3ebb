// The one narrow conversion of the plug-in: UTF-16 to the system's ANSI code page
// (ansi_text_win32.cpp), or GBK where the platform has no code page of its own
// (ansi_text_posix.cpp).
#pragma once
#include <string>

namespace kavo {

// Characters the code page lacks become its default character ("?" for GBK on
// POSIX). An empty input is a failure, as on Windows. After a failure output is
// empty.
bool WideToAnsi(const std::u16string& input, std::string& output);

// False when this system cannot convert at all (no GBK converter on POSIX):
// every text would then become empty.
bool AnsiConversionAvailable();

}  // namespace kavo
