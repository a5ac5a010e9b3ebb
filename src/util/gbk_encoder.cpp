#include "util/gbk_encoder.h"

#include "util/utf.h"

namespace kavo {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

GbkEncoder::GbkEncoder() : cd_(iconv_open("GBK", "UTF-16LE")) {}

GbkEncoder::~GbkEncoder() {
    if (cd_ != kNoConverter) iconv_close(cd_);
}

bool GbkEncoder::Available() const { return cd_ != kNoConverter; }

bool GbkEncoder::Encode(const std::u16string& input, std::string& output) {
    if (!Available()) return false;
    for (std::size_t i = 0; i < input.size();) {
        const std::size_t units = IsSurrogatePairAt(input, i) ? 2 : 1;
        unsigned char in[4];
        for (std::size_t k = 0; k < units; ++k) {
            in[2 * k] = static_cast<unsigned char>(input[i + k] & 0xFF);
            in[2 * k + 1] = static_cast<unsigned char>(input[i + k] >> 8);
        }
        char out[8];
        char* inPtr = reinterpret_cast<char*>(in);
        std::size_t inLeft = units * 2;
        char* outPtr = out;
        std::size_t outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            output.push_back('?');
        } else {
            output.append(out, sizeof out - outLeft);
        }
        i += units;
    }
    return true;
}

}  // namespace kavo
