// kavo-say asked to play where Windows has no wave-out device (Wine on a
// machine without sound: no sound server at the address given, ALSA with an
// empty configuration).
#include <gtest/gtest.h>

#include "kavo_say_harness.h"

namespace kavosaytest {
namespace {

TEST(KavoSayWithoutSound, NoDeviceIsAnErrorAndStatus1) {
    const ChildResult run = RunKavoSayWithoutSound("unix:/nonexistent/kavo-test");
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    // Wine's own sound drivers may report before; kavo-say's one line ends it.
    const std::size_t lastLine = run.err.rfind('\n', run.err.size() >= 2 ? run.err.size() - 2 : 0);
    const std::string last = run.err.substr(lastLine == std::string::npos ? 0 : lastLine + 1);
    EXPECT_EQ(last.rfind("kavo-say: no sound output", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find("kavo-say:"), run.err.size() - last.size()) << "more than one line of kavo-say's";
}

}  // namespace
}  // namespace kavosaytest
