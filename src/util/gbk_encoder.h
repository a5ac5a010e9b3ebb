// UTF-16 to GBK through iconv, for platforms without an ANSI code page.
#pragma once
#include <iconv.h>

#include <string>

namespace kavo {

class GbkEncoder {
public:
    GbkEncoder();
    ~GbkEncoder();
    GbkEncoder(const GbkEncoder&) = delete;
    GbkEncoder& operator=(const GbkEncoder&) = delete;

    // Appends the GBK form of input to output; a character GBK lacks (or a lone
    // surrogate) becomes "?" and the rest still converts. False when the system has no such converter.
    bool Encode(const std::u16string& input, std::string& output);
    bool Available() const;

private:
    iconv_t cd_;
};

}  // namespace kavo
