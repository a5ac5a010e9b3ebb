# cmake --install: the plug-in, its public header, the host tool and (POSIX)
# the espeak engine, the libraries side by side as a host loads them.
# Each file belongs to the component of the Debian package that ships it:
# kavosynth (plug-in, engine, kavo-say), kavosynth-dev (header, pkg-config
# file) and speech-dispatcher-kavosynth (the module and its configuration).
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
  RUNTIME DESTINATION ${KAVO_LIBRARY_DIR} COMPONENT kavosynth
  LIBRARY DESTINATION ${KAVO_LIBRARY_DIR} COMPONENT kavosynth)
install(TARGETS kavo-say RUNTIME DESTINATION ${KAVO_TOOL_DIR} COMPONENT kavosynth)
install(FILES ${PROJECT_SOURCE_DIR}/include/kavosynth.h DESTINATION ${KAVO_HEADER_DIR} COMPONENT kavosynth-dev)
if(TARGET espeak_mscclassic)
  install(TARGETS espeak_mscclassic espeak_runtime LIBRARY DESTINATION ${KAVO_LIBRARY_DIR} COMPONENT kavosynth)
  # The usual place for commands, pointing into the folder where kavo-say finds its plug-in.
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${KAVO_TOOL_DIR}/kavo-say
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kavo-say\" SYMBOLIC)"
    COMPONENT kavosynth)
  # pkg-config file for hosts: the header's flags, and in plugindir the folder
  # to load the plug-in from. Written at install time, for the prefix given then.
  install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(KAVO_LIBRARY_DIR ${KAVO_LIBRARY_DIR})
    set(KAVO_HEADER_DIR ${KAVO_HEADER_DIR})
    set(KAVO_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/kavosynth.pc.in
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/pkgconfig/kavosynth.pc\" @ONLY)"
    COMPONENT kavosynth-dev)
endif()
if(KAVO_SAY_MAN_PAGE)
  install(FILES ${KAVO_SAY_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kavosynth)
endif()

if(WIN32)
  # The win32 build also stages that folder in the build tree: build/win32/stage.
  add_custom_target(stage ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/stage
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:KavoSynthXunFeiClassic> $<TARGET_FILE:kavo-say>
            ${PROJECT_SOURCE_DIR}/include/kavosynth.h ${CMAKE_BINARY_DIR}/stage
    DEPENDS KavoSynthXunFeiClassic kavo-say
    COMMENT "Staging the DLL, kavosynth.h and kavo-say.exe in ${CMAKE_BINARY_DIR}/stage")
endif()

if(TARGET sd_kavosynth)
  # The Speech Dispatcher module where the server looks for modules, and its
  # configuration where the server reads it: /etc for a /usr install, else
  # under the prefix. The module finds the plug-in relative to itself.
  install(TARGETS sd_kavosynth RUNTIME DESTINATION lib/speech-dispatcher-modules COMPONENT speech-dispatcher-kavosynth)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(kavo_sd_config_dir /etc/speech-dispatcher/modules)
    else()
      set(kavo_sd_config_dir \${CMAKE_INSTALL_PREFIX}/etc/speech-dispatcher/modules)
    endif()
    file(INSTALL ${PROJECT_SOURCE_DIR}/tools/sd-kavosynth/kavosynth.conf
         DESTINATION \"\${kavo_sd_config_dir}\")"
    COMPONENT speech-dispatcher-kavosynth)
endif()
