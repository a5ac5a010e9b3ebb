# Lists kept once, as X-macros in a C header, and read here for what the build
# writes from them. A change to such a header configures the build again.

# kavo_read_x_macro_list(HEADER NAMES_VAR SECONDS_VAR): the entries of the
# X(first, second, ...) lines of HEADER, in order: their first arguments in
# NAMES_VAR, their second ones in SECONDS_VAR.
function(kavo_read_x_macro_list header names_var seconds_var)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  file(READ ${header} text)
  # The lines of a macro end in a backslash, which would escape a list's separator.
  string(REPLACE "\\\n" "\n" text "${text}")
  string(REGEX MATCHALL "\n[ \t]*X\\([^\n]*" lines "${text}")
  set(names "")
  set(seconds "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^\n[ \t]*X\\(([A-Za-z_][A-Za-z0-9_]*), *([^,)]+)")
      message(FATAL_ERROR "${header}: cannot read the entry \"${line}\"")
    endif()
    list(APPEND names ${CMAKE_MATCH_1})
    list(APPEND seconds "${CMAKE_MATCH_2}")
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "${header}: no X(...) entry")
  endif()
  set(${names_var} ${names} PARENT_SCOPE)
  set(${seconds_var} ${seconds} PARENT_SCOPE)
endfunction()

# KAVO_EXPORTS: the plug-in's exports, in ordinal order (the ordinals are 1 to n).
kavo_read_x_macro_list(${PROJECT_SOURCE_DIR}/src/plugin/export_list.h export_names export_ordinals)
set(KAVO_EXPORTS "")
foreach(name ordinal IN ZIP_LISTS export_names export_ordinals)
  list(LENGTH KAVO_EXPORTS position)
  math(EXPR position "${position} + 1")
  if(NOT ordinal EQUAL position)
    message(FATAL_ERROR "export_list.h: ${name} has ordinal ${ordinal}; entry ${position} must have ordinal ${position}")
  endif()
  list(APPEND KAVO_EXPORTS KavoSynth${name})
endforeach()
