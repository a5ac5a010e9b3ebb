#include "util/gbk_encoder.h"

#include <algorithm>
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
// The most UTF-16 units handed to one iconv call.
constexpr std::size_t kUnitsPerCall = 256;

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
    // Many characters to a call, a bounded stretch at a time: iconv stops only
    // at a character GBK lacks (or a lone surrogate), which becomes "?" before
    // the next call goes on after it. The bound keeps what a call takes in
    // small, so that text full of such characters stays linear wherever iconv
    // looks at all of its input (the sanitizers' checks do).
    std::size_t i = 0;
    while (i < input.size()) {
        std::size_t end = std::min(input.size(), i + kUnitsPerCall);
        // A stretch never ends between the halves of a surrogate pair.
        if (end < input.size() && end - i > 1 && IsHighSurrogate(input[end - 1])) --end;
        char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(input.data() + i));  // iconv's signature
        std::size_t inLeft = (end - i) * sizeof(char16_t);
        const std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        i = end - inLeft / sizeof(char16_t);
        if (result != static_cast<std::size_t>(-1)) continue;
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
