# cmake --install: the plug-in, its public header, the host tool and (POSIX)
# the espeak engine side by side, as a host loads them.
include(GNUInstallDirs)
set(KAVO_INSTALL_BINDIR ${CMAKE_INSTALL_LIBDIR}/kavosynth)
if(WIN32)
  set(KAVO_INSTALL_BINDIR .)
endif()
install(TARGETS KavoSynthXunFeiClassic
  RUNTIME DESTINATION ${KAVO_INSTALL_BINDIR}
  LIBRARY DESTINATION ${KAVO_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/kavosynth.h
  DESTINATION $<IF:$<BOOL:${WIN32}>,.,${CMAKE_INSTALL_INCLUDEDIR}>)
