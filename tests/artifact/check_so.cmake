cmake_policy(VERSION 3.25)
# The POSIX plug-in exports exactly the twelve functions.
execute_process(COMMAND nm -D --defined-only ${LIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
string(REGEX MATCHALL " [TtDdBbRrWwVvi] [^\n]+" defined "${symbols}")
set(names "")
foreach(entry IN LISTS defined)
  string(REGEX REPLACE "^ . " "" name "${entry}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
set(expected KavoSynthGetAudioFormat KavoSynthGetInfo KavoSynthGetVoiceList KavoSynthInitialize
    KavoSynthPrepareVoice KavoSynthSetPitch KavoSynthSetPlayCallback KavoSynthSetRate KavoSynthSetVolume
    KavoSynthSpeak KavoSynthStop KavoSynthUninitialize)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported: ${names}")
endif()
