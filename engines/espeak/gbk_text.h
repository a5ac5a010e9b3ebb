// The plug-in puts its text in GBK; espeak-ng reads UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace espeak_engine {

// False when the bytes are not complete, valid GBK (or iconv lacks GBK).
bool GbkToUtf8(const char* bytes, std::size_t length, std::string& utf8);

}  // namespace espeak_engine
