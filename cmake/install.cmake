# cmake --install: the plug-in, its public header, the host tool and (POSIX)
# the espeak engine, the libraries side by side as a host loads them.
include(GNUInstallDirs)
if(WIN32)
  # One folder a Windows user can copy: DLL, header and kavo-say.exe.
  set(KAVO_LIBRARY_DIR .)
  set(KAVO_HEADER_DIR .)
  set(KAVO_TOOL_DIR .)
else()
  # kavo-say loads the plug-in from its own folder, and the plug-in loads the
  # engine from its own: all three live together.
  set(KAVO_LIBRARY_DIR ${CMAKE_INSTALL_LIBDIR}/kavosynth)
  set(KAVO_HEADER_DIR ${CMAKE_INSTALL_INCLUDEDIR})
  set(KAVO_TOOL_DIR ${CMAKE_INSTALL_LIBDIR}/kavosynth)
endif()

install(TARGETS KavoSynthXunFeiClassic
  RUNTIME DESTINATION ${KAVO_LIBRARY_DIR}
  LIBRARY DESTINATION ${KAVO_LIBRARY_DIR})
install(TARGETS kavo-say RUNTIME DESTINATION ${KAVO_TOOL_DIR})
if(TARGET KavoSynthSapi)
  # The SAPI 5 voices load the plug-in from their own folder.
  install(TARGETS KavoSynthSapi RUNTIME DESTINATION ${KAVO_LIBRARY_DIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/include/kavosynth.h DESTINATION ${KAVO_HEADER_DIR})
if(TARGET espeak_mscclassic)
  install(TARGETS espeak_mscclassic espeak_runtime LIBRARY DESTINATION ${KAVO_LIBRARY_DIR})
  # The usual place for commands, pointing into the folder where kavo-say finds its plug-in.
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${KAVO_TOOL_DIR}/kavo-say
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kavo-say\" SYMBOLIC)")
endif()

if(WIN32)
  # The win32 build also stages that folder in the build tree: build/win32/stage.
  add_custom_target(stage ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/stage
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:KavoSynthXunFeiClassic> $<TARGET_FILE:kavo-say>
            $<TARGET_FILE:KavoSynthSapi> ${PROJECT_SOURCE_DIR}/include/kavosynth.h ${CMAKE_BINARY_DIR}/stage
    DEPENDS KavoSynthXunFeiClassic kavo-say KavoSynthSapi
    COMMENT "Staging the DLLs, kavosynth.h and kavo-say.exe in ${CMAKE_BINARY_DIR}/stage")
endif()

if(TARGET sd_kavosynth)
  # The Speech Dispatcher module where the server looks for modules, and its
  # configuration where the server reads it: /etc for a /usr install, else
  # under the prefix. The module finds the plug-in relative to itself.
  install(TARGETS sd_kavosynth RUNTIME DESTINATION lib/speech-dispatcher-modules)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(kavo_sd_config_dir /etc/speech-dispatcher/modules)
    else()
      set(kavo_sd_config_dir \${CMAKE_INSTALL_PREFIX}/etc/speech-dispatcher/modules)
    endif()
    file(INSTALL ${PROJECT_SOURCE_DIR}/tools/sd-kavosynth/kavosynth.conf
         DESTINATION \"\${kavo_sd_config_dir}\")")
endif()
