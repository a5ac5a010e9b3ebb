#include "gbk_text.h"

#include <iconv.h>

#include <utility>

namespace espeak_engine {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

class Converter {
public:
    Converter() : handle_(iconv_open("UTF-8", "GBK")) {}
    ~Converter() {
        if (handle_ != kNoConverter) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

}  // namespace

bool GbkToUtf8(const char* bytes, std::size_t length, std::string& utf8) {
    utf8.clear();
    if (length == 0) return true;
    Converter converter;
    if (converter.get() == kNoConverter) return false;
    // No GBK byte grows to more than three UTF-8 bytes.
    std::string output(length * 3, '\0');
    char* in = const_cast<char*>(bytes);  // iconv's signature, not a write
    std::size_t inLeft = length;
    char* out = &output[0];
    std::size_t outLeft = output.size();
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
        return false;
    }
    output.resize(output.size() - outLeft);
    utf8 = std::move(output);
    return true;
}

}  // namespace espeak_engine
