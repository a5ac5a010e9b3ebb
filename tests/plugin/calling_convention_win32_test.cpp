// The DLL's binary interface as a 32-bit Windows host sees it: exports by
// ordinal, and the caller-cleans (cdecl) convention on every export. A callee
// that popped its own arguments (stdcall) would pass most other tests unnoticed.
#include <windows.h>

#include <cstdint>

#include "plugin/export_list.h"
#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

struct ListedExport {
    int ordinal;
    const char* name;
};

const ListedExport kListedExports[] = {
#define KAVO_LISTED_EXPORT(name, ordinal) {ordinal, "KavoSynth" #name},
    KAVOSYNTH_EXPORT_LIST(KAVO_LISTED_EXPORT)
#undef KAVO_LISTED_EXPORT
};
constexpr int kListedExportCount = sizeof kListedExports / sizeof kListedExports[0];

// Calls fn with three zero arguments pushed and returns how many of those bytes
// are still on the stack when it returns: 12 for a caller-cleans function.
std::uint32_t BytesLeftOnStack(void* fn) {
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "pushl $0\n\t"
        "pushl $0\n\t"
        "pushl $0\n\t"
        "call *%2\n\t"
        "movl %%esp, %%edi\n\t"
        "movl %%esi, %%esp\n\t"
        "movl %%esi, %0\n\t"
        "movl %%edi, %1\n\t"
        : "=m"(before), "=m"(after)
        : "a"(fn)
        : "ecx", "edx", "esi", "edi", "memory", "cc");
    return before - after;
}

class Win32Binary : public PluginTest {
protected:
    // The module handle of the plug-in copy that the fixture loaded.
    HMODULE LoadedPlugin() {
        return GetModuleHandleW((host().folder() / PluginFileInBuild().filename()).c_str());
    }
};

TEST_F(Win32Binary, ExportsTheListedNamesWithTheirOrdinalsAndNoOther) {
    const HMODULE module = LoadedPlugin();
    for (const ListedExport& listed : kListedExports) {
        const FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(listed.ordinal));
        const FARPROC byName = GetProcAddress(module, listed.name);
        ASSERT_NE(byName, nullptr) << listed.name;
        EXPECT_EQ(byOrdinal, byName) << "ordinal " << listed.ordinal;
    }
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(kListedExportCount + 1)), nullptr);
    EXPECT_EQ(GetProcAddress(module, "_KavoSynthSpeak@12"), nullptr) << "decorated names are exported";
}

TEST_F(Win32Binary, EveryExportLeavesItsArgumentsForTheCallerToRemove) {
    const HMODULE module = LoadedPlugin();
    for (const ListedExport& listed : kListedExports) {
        // With zero arguments every export refuses or does something harmless;
        // KavoSynthInitialize(null) starts file mode, which the fixture ends.
        void* fn = reinterpret_cast<void*>(GetProcAddress(module, listed.name));
        ASSERT_NE(fn, nullptr) << listed.name;
        EXPECT_EQ(BytesLeftOnStack(fn), 12u) << listed.name << " popped its own arguments";
    }
}

// The engine's entry points remove their own arguments. Called as if the caller
// removed them, each poll would leave the plug-in's stack pointer 16 bytes off:
// unnoticed over a few polls, the frames of the speaking code overwritten over
// hundreds. One request of many polls makes that show.
TEST_F(Win32Binary, ARequestOfManyEnginePollsIsHeardWhole) {
    constexpr int kPolls = 600;
    constexpr int kSamplesPerPoll = 4;
    fake().Streaming(kPolls, kSamplesPerPoll, 3000, /*delayMs=*/0);
    StartAndWaitReady();
    ListenForAudio();
    ASSERT_TRUE(Speak(kXiaoyan, u"many polls", 7));
    ASSERT_TRUE(play().WaitForEnd(7));
    EXPECT_EQ(fake().SessionPolls(0), kPolls);
    EXPECT_EQ(play().AudioOf(7).size(), std::size_t{kPolls * kSamplesPerPoll * 2});
    EXPECT_EQ(fake().SessionEnds(0), 1);
    ASSERT_TRUE(api().Uninitialize());
}

TEST_F(Win32Binary, BooleanResultsAreOneByte) {
    static_assert(sizeof(bool) == 1, "the host contract's bool is one byte");
    static_assert(sizeof(SynthInfo) == 384, "SynthInfo layout");
    static_assert(sizeof(KavoChar) == 2, "UTF-16 units");
    EXPECT_EQ(static_cast<int>(api().PrepareVoice(K(u"x"))), 1);
}

using CodePage1252 = PluginTest;

// Runs in its own process under a Western locale (ANSI code page 1252).
TEST_F(CodePage1252, ChineseTextAndFolderNamesBecomeTheDefaultCharacter) {
    EXPECT_EQ(GetACP(), 1252u);
    StartAndWaitReady();
    ASSERT_TRUE(Speak(kXiaoyan, u"你好 ok", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_EQ(fake().SessionText(0), "?? ok");
}

class CodePage1252Folder : public PluginTestBase {
protected:
    CodePage1252Folder() : PluginTestBase(EngineKind::Fake, u"测试") {}
};

TEST_F(CodePage1252Folder, WorkDirCarriesReplacementCharactersAndLoginStillHappens) {
    StartAndWaitReady();
    EXPECT_EQ(fake().Logins(), 1);
    const std::string params = fake().LoginParams();
    EXPECT_NE(params.find("\\??, timeout = 5000"), std::string::npos) << params;
}

}  // namespace
}  // namespace kavotest
