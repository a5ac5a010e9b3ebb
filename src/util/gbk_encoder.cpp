#include "util/gbk_encoder.h"

#include <cerrno>

#include "util/utf.h"

namespace kavo {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The input is handed to iconv as it lies in memory.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr char kWideEncoding[] = "UTF-16BE";
#else
constexpr char kWideEncoding[] = "UTF-16LE";
#endif

// GBK needs at most two bytes for one UTF-16 unit (a surrogate pair, which
// GBK lacks, becomes one "?").
constexpr std::size_t kMaxBytesPerUnit = 2;

}  // namespace

GbkEncoder::GbkEncoder() : cd_(iconv_open("GBK", kWideEncoding)) {}

GbkEncoder::~GbkEncoder() {
    if (cd_ != kNoConverter) iconv_close(cd_);
}

bool GbkEncoder::Available() const { return cd_ != kNoConverter; }

bool GbkEncoder::Encode(const std::u16string& input, std::string& output) {
    if (!Available()) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // the initial state, also for a converter used before
    const std::size_t start = output.size();
    output.resize(start + input.size() * kMaxBytesPerUnit);
    char* outPtr = &output[0] + start;
    std::size_t outLeft = input.size() * kMaxBytesPerUnit;
    // The whole text in one call; iconv stops only at a character GBK lacks
    // (or a lone surrogate), which becomes "?" before it goes on after it.
    std::size_t i = 0;
    while (i < input.size()) {
        char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(input.data() + i));  // iconv's signature
        std::size_t inLeft = (input.size() - i) * sizeof(char16_t);
        const std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        i = input.size() - inLeft / sizeof(char16_t);
        if (result != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) break;  // cannot happen: the output has room for the worst case
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        *outPtr++ = '?';
        --outLeft;
        i += IsSurrogatePairAt(input, i) ? 2 : 1;
    }
    output.resize(output.size() - outLeft);
    return true;
}

}  // namespace kavo
