/*
 * The plug-in's exports: the one list of them. Each X(Name, Ordinal) line is
 * the export KavoSynth<Name>, declared in kavosynth.h and defined in
 * exports.cpp, and its ordinal in the Windows DLL (1, 2, 3... in the order of
 * the lines). The build reads these lines to write the DLL's module-definition
 * file, the POSIX version script and the tests' expected export table; hosts
 * expand the list into their tables of function pointers (export_table.h).
 * Keep one entry per line, in that form.
 */
#ifndef KAVOSYNTH_EXPORT_LIST_H
#define KAVOSYNTH_EXPORT_LIST_H

#define KAVOSYNTH_EXPORT_LIST(X) \
    X(GetAudioFormat, 1)         \
    X(GetInfo, 2)                \
    X(GetVoiceList, 3)           \
    X(Initialize, 4)             \
    X(PrepareVoice, 5)           \
    X(SetPitch, 6)               \
    X(SetPlayCallback, 7)        \
    X(SetRate, 8)                \
    X(SetVolume, 9)              \
    X(Speak, 10)                 \
    X(Stop, 11)                  \
    X(Uninitialize, 12)          \
    /* end of the list: a new entry goes above this line */

#endif /* KAVOSYNTH_EXPORT_LIST_H */
