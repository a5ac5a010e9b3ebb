// What KavoSynthSapi.dll puts in the registry: its COM class and one SAPI voice
// token per voice of the voice list. Registering the DLL writes these rows and
// unregistering removes them; the Windows installer writes the same rows as
// plain registry data, so both read this one list. Text is UTF-8 here; the
// writers convert it.
#pragma once
#include <string>
#include <vector>

#include "plugin/voice_list.h"

namespace kavo::sapi {

// The engine's COM class (ISpTTSEngine, ISpObjectWithToken).
inline constexpr char kEngineClsid[] = "{54DC1381-47B2-41EB-BE49-D321C4DC9725}";
inline constexpr char kEngineClassName[] = "KavoSynth SAPI 5 voice engine";
inline constexpr char kVendor[] = "KavoSynth";
inline constexpr char kTokensKey[] = "SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens";

enum class RegistryRoot { ClassesRoot, LocalMachine };

// One string value. An empty name is the key's default value.
struct RegistryRow {
    RegistryRoot root;
    std::string key;
    std::string name;
    std::string data;
};

// SAPI names languages by hexadecimal LCID, without leading zeros.
inline const char* LanguageLcid(const char* language) {
    const std::string tag(language);
    if (tag == "cmn") return "804";
    if (tag == "yue") return "C04";
    if (tag == "en-gb") return "809";
    return "409";  // en-us, and any English not named above
}

inline std::string TokenKeyName(const VoiceFacts& voice) { return std::string("KavoSynth_") + voice.shortName; }
inline std::string TokenKey(const VoiceFacts& voice) { return std::string(kTokensKey) + "\\" + TokenKeyName(voice); }
inline std::string ClassKey() { return std::string("CLSID\\") + kEngineClsid; }

inline std::vector<RegistryRow> ClassRows(const std::string& dllPath) {
    const std::string key = ClassKey();
    return {
        {RegistryRoot::ClassesRoot, key, "", kEngineClassName},
        {RegistryRoot::ClassesRoot, key + "\\InprocServer32", "", dllPath},
        {RegistryRoot::ClassesRoot, key + "\\InprocServer32", "ThreadingModel", "Both"},
    };
}

inline std::vector<RegistryRow> TokenRows(const VoiceFacts& voice) {
    const std::string key = TokenKey(voice);
    const std::string lcid = LanguageLcid(voice.language);
    const std::string gender = std::string(voice.gender) == "male" ? "Male" : "Female";
    return {
        {RegistryRoot::LocalMachine, key, "", voice.displayName},
        {RegistryRoot::LocalMachine, key, lcid, voice.displayName},
        {RegistryRoot::LocalMachine, key, "CLSID", kEngineClsid},
        {RegistryRoot::LocalMachine, key + "\\Attributes", "Name", voice.displayName},
        {RegistryRoot::LocalMachine, key + "\\Attributes", "Gender", gender},
        {RegistryRoot::LocalMachine, key + "\\Attributes", "Age", "Adult"},
        {RegistryRoot::LocalMachine, key + "\\Attributes", "Vendor", kVendor},
        {RegistryRoot::LocalMachine, key + "\\Attributes", "Language", lcid},
    };
}

// Every row: the class, then each voice's token in the voice list's order.
inline std::vector<RegistryRow> AllRows(const std::string& dllPath) {
    std::vector<RegistryRow> rows = ClassRows(dllPath);
    for (const VoiceFacts& voice : kVoices) {
        const std::vector<RegistryRow> token = TokenRows(voice);
        rows.insert(rows.end(), token.begin(), token.end());
    }
    return rows;
}

}  // namespace kavo::sapi
