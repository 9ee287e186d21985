# The Debian package, made from the install rules: `cmake --build <build> --target deb` writes
# <build>/package/kestrel_<version>_<architecture>.deb, with the manual when the build can make it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmar")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[bulk contact details of e-filing clients for tax practices
Kestrel is the bulk contact-detail module of the Velmar tax-practice suite. A
practice that files returns for many clients uses it to keep each client's
contact details on the Income Tax Department's e-filing portal in order: the
primary and secondary mobile number and e-mail address and whom each belongs
to. It loads the clients from the suite's database, fetches what the portal
holds, assigns new details by hand or from defaults, submits them client by
client, writes confirmed details back to the suite, reports blank, mismatching
and shared contacts, and sets up the firm's mail domain.
.
Without the suite's database it runs on a demo store of its own;
kestrel-demo adds a demo portal and a demo hosting panel to try it out.]=])

# Libraries the programs link are found by dpkg-shlibdeps; what Qt loads as plugins at run time
# is named here: the store drivers and the fonts the windows and reports are measured in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-mysql, fonts-wine, fonts-lohit-deva, fonts-lohit-taml")
# F1 opens the manual with the desktop's PDF viewer.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, evince | pdf-viewer")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

include(CPack)

# CPack's own `package` target packs what `all` built; this one builds the manual first.
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
          -B ${CMAKE_BINARY_DIR}/package
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR} USES_TERMINAL VERBATIM)
add_dependencies(deb kestrel-host kestrel-seed kestrel-portal-sim kestrel-hosting-sim kestrel-compressed-docs)
if(TARGET kestrel-icons)
  add_dependencies(deb kestrel-icons)
endif()
# The manual is written by a target of its own where the build has its tools; looked for once
# every folder of the project has been read.
function(kestrel_deb_with_manual)
  if(TARGET kestrel_manual)
    add_dependencies(deb kestrel_manual)
  endif()
endfunction()
cmake_language(DEFER CALL kestrel_deb_with_manual)
