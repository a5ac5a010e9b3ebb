# cpack -G DEB: kavosynth_<version>_amd64.deb with what `cmake --install`
# installs under /usr: the plug-in, the espeak engine, kavo-say, the header and
# the Speech Dispatcher module with its configuration. scripts/package builds it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavosynth)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "KavoSynth developers <kavosynth@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KavoSynth text-to-speech plug-in, its espeak engine, kavo-say and a Speech Dispatcher module")
set(CPACK_PACKAGE_DESCRIPTION "The KavoSynth XunFei Classic plug-in with the engine that speaks
through espeak-ng: its voices (kavo-say --voices lists them) for the kavo-say
command and, through the sd_kavosynth output module, for Speech Dispatcher's
clients: Orca, browsers and spd-say.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The libraries the binaries link come from dpkg-shlibdeps; the server that
# starts the module, and the voice data espeak-ng reads, are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "speech-dispatcher (>= 0.11), espeak-ng-data")
include(CPack)
