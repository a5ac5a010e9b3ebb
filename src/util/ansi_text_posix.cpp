#include "util/ansi_text.h"
#include "util/gbk_encoder.h"

namespace kavo {

bool WideToAnsi(const std::u16string& input, std::string& output) {
    output.clear();
    if (input.empty()) return false;
    GbkEncoder encoder;
    if (!encoder.Encode(input, output)) {
        output.clear();
        return false;
    }
    return true;
}

bool AnsiConversionAvailable() { return GbkEncoder().Available(); }

}  // namespace kavo
