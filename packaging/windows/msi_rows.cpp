// Prints the installer's data rows as MSI SQL, one statement a line, for
// msibuild to run on the database that wixl made: the SAPI engine's COM class
// and voice tokens (the same rows KavoSynthSapi.dll registers itself), and the
// copy of a user's engine named by ENGINEDIR with its removal on uninstall.
// wixl writes no text outside its ANSI code page and knows no MoveFile table,
// so these rows go in through SQL after it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "registry_rows.h"

namespace {

using kavo::sapi::RegistryRoot;
using kavo::sapi::RegistryRow;

// Names shared with kavosynth.wxs.
constexpr char kSapiComponent[] = "SapiEngine";
constexpr char kEngineComponent[] = "EngineCopy";
constexpr char kDllPath[] = "[INSTALLDIR]KavoSynthSapi.dll";

// An SQL string literal. MSI's SQL has no escape for a quote inside one; no
// row holds one, and a row that did would stop the build here.
std::string Quoted(const std::string& text) {
    if (text.find('\'') != std::string::npos) {
        std::fprintf(stderr, "msi_rows: a quote in \"%s\"\n", text.c_str());
        std::exit(1);
    }
    return "'" + text + "'";
}

// Registry.Value is formatted text: brackets name properties, and a leading #
// makes a number. Literal text escapes them.
std::string LiteralValue(const std::string& text) {
    std::string out = text.rfind('#', 0) == 0 ? "#" : "";
    for (char c : text) {
        if (c == '[' || c == ']') {
            out += "[\\";
            out += c;
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

void Print(const std::string& statement) { std::printf("%s\n", statement.c_str()); }

void Insert(const char* table, const char* columns, const std::string& values) {
    Print(std::string("INSERT INTO `") + table + "` (" + columns + ") VALUES (" + values + ")");
}

void RegistryRows() {
    int number = 0;
    for (const RegistryRow& row : kavo::sapi::AllRows(kDllPath)) {
        const std::string value = row.data == kDllPath ? row.data : LiteralValue(row.data);
        // Root 0 is HKEY_CLASSES_ROOT, 2 HKEY_LOCAL_MACHINE; an empty name is the key's default value.
        const char* root = row.root == RegistryRoot::ClassesRoot ? "0" : "2";
        Insert("Registry", "`Registry`, `Root`, `Key`, `Name`, `Value`, `Component_`",
               Quoted("SapiRow" + std::to_string(++number)) + ", " + root + ", " + Quoted(row.key) + ", " +
                   Quoted(row.name) + ", " + Quoted(value) + ", " + Quoted(kSapiComponent));
    }
}

// The engine's files: mscclassic.dll, and under res\ttss its dictionary and
// one resource per voice. ENGINEDIR names the folder holding them;
// ENGINERESDIR (set from it) its res\ttss.
void EngineFile(const std::string& key, const std::string& name, const char* sourceFolder, const char* destFolder) {
    // Options 0: copy, leaving the user's file where it was.
    Insert("MoveFile", "`FileKey`, `Component_`, `SourceName`, `DestName`, `SourceFolder`, `DestFolder`, `Options`",
           Quoted(key) + ", " + Quoted(kEngineComponent) + ", " + Quoted(name) + ", " + Quoted(name) + ", " +
               Quoted(sourceFolder) + ", " + Quoted(destFolder) + ", 0");
    // InstallMode 2: removed when the component is; no name removes the folder once empty.
    Insert("RemoveFile", "`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`",
           Quoted(key) + ", " + Quoted(kEngineComponent) + ", " + Quoted(name) + ", " + Quoted(destFolder) + ", 2");
}

void EngineCopyRows() {
    Print(
        "CREATE TABLE `MoveFile` (`FileKey` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL, "
        "`SourceName` CHAR(255) LOCALIZABLE, `DestName` CHAR(255) LOCALIZABLE, `SourceFolder` CHAR(72), "
        "`DestFolder` CHAR(72) NOT NULL, `Options` SHORT NOT NULL PRIMARY KEY `FileKey`)");
    EngineFile("EngineDll", "mscclassic.dll", "ENGINEDIR", "INSTALLDIR");
    EngineFile("EngineDict", "dict.jet", "ENGINERESDIR", "TTSSDIR");
    for (const kavo::VoiceFacts& voice : kavo::kVoices)
        EngineFile(std::string("EngineVoice_") + voice.engineId, std::string(voice.engineId) + ".jet", "ENGINERESDIR",
                   "TTSSDIR");
    // The folders res\ttss and res, when nothing else is left in them.
    for (const char* folder : {"TTSSDIR", "RESDIR"})
        Insert("RemoveFile", "`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`",
               Quoted(std::string("Engine") + folder) + ", " + Quoted(kEngineComponent) + ", '', " + Quoted(folder) +
                   ", 2");
    Insert("CreateFolder", "`Directory_`, `Component_`", "'TTSSDIR', " + Quoted(kEngineComponent));
    // Installed only when there is an engine to copy; an uninstall sets
    // ENGINEDIR from the folder the install saved, so it removes the copy.
    Print("UPDATE `Component` SET `Condition` = 'ENGINEDIR' WHERE `Component` = " + Quoted(kEngineComponent));
    // MoveFiles, where the standard sequence has it: after the folders exist, before the files install.
    Insert("InstallExecuteSequence", "`Action`, `Condition`, `Sequence`", "'MoveFiles', '', 3800");
}

}  // namespace

int main() {
    RegistryRows();
    EngineCopyRows();
    return std::fflush(stdout) == 0 ? 0 : 1;
}
