#include "util/text_file.h"
#include "util/utf.h"

namespace kavo {

std::FILE* OpenTextFileForWriting(const std::u16string& path) { return std::fopen(Utf16ToUtf8(path).c_str(), "w"); }

}  // namespace kavo
