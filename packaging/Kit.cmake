# The development kit: the toolkit's and the components' libraries, their public headers and a
# CMake package (find_package(Tavin3)), installed with `--component Development` only. There the
# libraries have versioned names and go to the standard library folder, beside the program's
# private copies, so that programs of others find them as they find any system library.
set(TAVIN3_KIT_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/tavin3)
set(TAVIN3_KIT_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tavin3)

# tavin3_kit_library(<target> <name>): a library of the kit, imported by programs as
# Tavin3::<name> from libtavin3-<name>.so.<major>, with the headers of its HEADERS file set.
function(tavin3_kit_library target name)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME tavin3-${name} EXPORT_NAME ${name}
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} EXPORT Tavin3Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development NAMELINK_COMPONENT Development EXCLUDE_FROM_ALL
    FILE_SET HEADERS DESTINATION ${TAVIN3_KIT_INCLUDEDIR} COMPONENT Development EXCLUDE_FROM_ALL)
  set_property(GLOBAL APPEND PROPERTY TAVIN3_KIT_NAMES ${name})
endfunction()

# Builds programs from their forms, here as for users of the installed kit.
include(${CMAKE_CURRENT_LIST_DIR}/kit/Tavin3Program.cmake)
