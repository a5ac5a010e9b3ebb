// Builds wide (UTF-16) log messages: text and decimal numbers appended in turn,
// in place of a wide string stream, whose char16_t form the standard lacks.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>

namespace kavo {

class WideBuilder {
public:
    WideBuilder& operator<<(const std::u16string& text) { text_ += text; return *this; }
    WideBuilder& operator<<(const char16_t* text) { text_ += text; return *this; }

    template <typename Integer,
              typename = std::enable_if_t<std::is_integral_v<Integer> && !std::is_same_v<Integer, bool> &&
                                          !std::is_same_v<Integer, char> && !std::is_same_v<Integer, char16_t>>>
    WideBuilder& operator<<(Integer value) {
        char16_t digits[24];
        int count = 0;
        // Work in the unsigned type so that the smallest signed value negates safely.
        using Unsigned = std::make_unsigned_t<Integer>;
        Unsigned magnitude = static_cast<Unsigned>(value);
        const bool negative = std::is_signed_v<Integer> && value < 0;
        if (negative) magnitude = static_cast<Unsigned>(Unsigned(0) - magnitude);
        do {
            digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative) text_.push_back(u'-');
        while (count > 0) text_.push_back(digits[--count]);
        return *this;
    }

    const std::u16string& str() const { return text_; }

private:
    std::u16string text_;
};

}  // namespace kavo
