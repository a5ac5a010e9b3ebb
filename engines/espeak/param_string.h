// The engine's parameter syntax: "key = value, key = value, ...". Values may
// hold any byte but a comma (a work_dir is a folder path in any code page).
#pragma once

#include <map>
#include <string>

namespace espeak_engine {

using ParamMap = std::map<std::string, std::string>;

// Splits at commas, then each item at its first '='; blanks around keys and
// values are dropped, empty items are skipped. False when an item has no '='
// or an empty key.
bool ParseParamString(const char* text, ParamMap& params);

// A plain decimal integer within [minimum, maximum]; no sign, blanks or suffix.
bool ParseBoundedInt(const std::string& text, int minimum, int maximum, int& value);

}  // namespace espeak_engine
