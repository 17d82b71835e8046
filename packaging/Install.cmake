# Install layout. The project's libraries are private to its programs: they go to a folder of
# their own, and programs and libraries find them relative to themselves, so an installed tree
# works wherever it is put and never reaches back into a build folder.
include(GNUInstallDirs)

# Reverse-DNS name of the desktop entry, icon and metadata.
set(TAVIN3_APP_ID example.tavin3.Tavin3)
set(TAVIN3_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/tavin3)
file(RELATIVE_PATH _tavin3_bin_to_lib /${CMAKE_INSTALL_BINDIR} /${TAVIN3_INSTALL_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${_tavin3_bin_to_lib}")

# Installs the project's shared libraries that target links, directly or through others, with
# the component (and OPTIONAL flag) of the first program that needs them; the main program is
# installed first, so everything it needs stays required.
function(_tavin3_install_libraries_of target component optional)
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(NOT libs)
    return()
  endif()
  foreach(lib IN LISTS libs)
    if(NOT TARGET ${lib})
      continue()
    endif()
    get_target_property(aliased ${lib} ALIASED_TARGET)
    if(aliased)
      set(lib ${aliased})
    endif()
    get_target_property(type ${lib} TYPE)
    get_target_property(imported ${lib} IMPORTED)
    get_property(installed GLOBAL PROPERTY TAVIN3_INSTALLED_LIBRARIES)
    if(imported OR NOT type STREQUAL "SHARED_LIBRARY" OR lib IN_LIST installed)
      continue()
    endif()
    set_property(GLOBAL APPEND PROPERTY TAVIN3_INSTALLED_LIBRARIES ${lib})
    set_target_properties(${lib} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${lib} LIBRARY DESTINATION ${TAVIN3_INSTALL_LIBDIR} COMPONENT ${component} NAMELINK_SKIP ${optional})
    _tavin3_install_libraries_of(${lib} ${component} "${optional}")
  endforeach()
endfunction()

# tavin3_install_program(<target> [COMPONENT <name>]): the program into bin, with the project
# libraries it needs. Examples use COMPONENT examples.
function(tavin3_install_program target)
  cmake_parse_arguments(arg "" "COMPONENT" "" ${ARGN})
  if(NOT arg_COMPONENT)
    set(arg_COMPONENT Tavin3)
  endif()
  # Only the program itself is required; the others are installed when they were built.
  set(optional "")
  if(NOT arg_COMPONENT STREQUAL "Tavin3")
    set(optional OPTIONAL)
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${arg_COMPONENT} ${optional})
  _tavin3_install_libraries_of(${target} ${arg_COMPONENT} "${optional}")
endfunction()
