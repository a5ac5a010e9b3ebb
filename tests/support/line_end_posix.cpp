#include "support/plugin_fixture.h"

namespace kavotest {
const char* const kLogLineEnd = "\n";
}
