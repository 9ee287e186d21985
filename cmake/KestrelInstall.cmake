# Where an installation puts Kestrel's files, relative to the install prefix (/usr for the
# Debian package), and the helpers every installed target calls.
include(GNUInstallDirs)

# The module and platform libraries are Kestrel's own, used by no other program: they lie in a
# folder of their own below the library folder, and the programs find them through a RUNPATH
# relative to themselves, so that an installed tree can be moved as a whole.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(KESTREL_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/kestrel)
else()
  set(KESTREL_INSTALL_LIBDIR lib/kestrel)
endif()
# Programs that kestrel-demo starts; the links in the bin folder give them names of their own.
set(KESTREL_INSTALL_HELPERDIR ${CMAKE_INSTALL_LIBEXECDIR}/kestrel)
# The program's shared files: the manual as HTMLHelp/ITR_Help.pdf.
set(KESTREL_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/kestrel)
set(KESTREL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kestrel)

# Installed binaries resolve all their symbols at load time, so that the whole relocation table
# can be made read-only.
function(kestrel_bind_now target)
  target_link_options(${target} PRIVATE LINKER:-z,now)
endfunction()

# kestrel_install_libraries(target...): the shared libraries into the private folder; they find
# each other beside themselves.
function(kestrel_install_libraries)
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    kestrel_bind_now(${target})
    install(TARGETS ${target} LIBRARY DESTINATION ${KESTREL_INSTALL_LIBDIR} NAMELINK_SKIP)
  endforeach()
endfunction()

# kestrel_install_programs(<destination> target...): programs into a folder below the prefix,
# finding the private libraries relative to that folder.
function(kestrel_install_programs destination)
  file(RELATIVE_PATH to_libs /${destination} /${KESTREL_INSTALL_LIBDIR})
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_libs}")
    kestrel_bind_now(${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${destination})
  endforeach()
endfunction()
