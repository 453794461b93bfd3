# What a user takes: `cpack` in a Windows build makes a zip of pelmor.exe,
# pelmor-report.exe and the README; in a Linux build a Debian package with
# pelmor, pelmor-report, their manual pages, the desktop entry and the icons.
# The packaged programs carry no debug information: cpack strips its copies.
# The build folder keeps it for the developers, next to each program in
# <program>.debug, which the program names in its .gnu_debuglink section
# (gdb finds it there). Configure with -DPELMOR_TESTS=OFF (the presets
# win32-package and deb) so that making the package builds only what it holds.

set(packaged pelmor-report)
if(TARGET pelmor)
  list(APPEND packaged pelmor)
endif()

# <program>.debug beside each program, made after each link; the installed
# (stripped) copy gets the link to it.
set(debug_files)
if(CMAKE_OBJCOPY)
  foreach(target ${packaged})
    set(debug $<TARGET_FILE:${target}>.debug)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.debug-made
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
      COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_CURRENT_BINARY_DIR}/${target}.debug-made
      DEPENDS ${target} VERBATIM)
    list(APPEND debug_files ${CMAKE_CURRENT_BINARY_DIR}/${target}.debug-made)
  endforeach()
  add_custom_target(pelmor_debug_files ALL DEPENDS ${debug_files})
endif()

function(pelmor_link_debug target destination)
  if(CMAKE_OBJCOPY)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\"
      \"--add-gnu-debuglink=$<TARGET_FILE:${target}>.debug\"
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\"
      COMMAND_ERROR_IS_FATAL ANY)")
  endif()
endfunction()

set(CPACK_PACKAGE_NAME pelmor)
set(CPACK_PACKAGE_VENDOR "Pelmor")
set(CPACK_PACKAGE_CONTACT "Seed 1c5418cf maintainers <maintainers@users.noreply.c-seed-1c5418cf.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "battery-life benchmark for notebooks")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # One folder, pelmor-1.01-win32/, to unpack anywhere: the program keeps its
  # files beside itself.
  install(TARGETS ${packaged} RUNTIME DESTINATION .)
  foreach(target ${packaged})
    pelmor_link_debug(${target} .)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  include(GNUInstallDirs)
  install(TARGETS pelmor-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(target ${packaged})
    pelmor_link_debug(${target} ${CMAKE_INSTALL_BINDIR})
  endforeach()

  # Manual pages and the changelog go in compressed, as Debian's policy asks
  # (gzip -n: no name or time stamp, so the same sources give the same bytes).
  set(docs ${CMAKE_INSTALL_DATADIR}/doc/pelmor)
  set(zipped)
  foreach(pair "pelmor.1|man1" "pelmor-report.1|man1" "changelog|doc")
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 where)
    set(gz ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
      COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/${name} > ${gz}
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${name})
    list(APPEND zipped ${gz})
    if(where STREQUAL man1)
      install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
      install(FILES ${gz} DESTINATION ${docs})
    endif()
  endforeach()
  add_custom_target(pelmor_package_docs ALL DEPENDS ${zipped})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${docs})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_PACKAGE_DESCRIPTION
    "Pelmor measures how long a notebook runs on its battery under a steady,
light load: it shows the power source and level, draws a three-hour history
and keeps a measurement log while it types into its window and has a browser
open pages. pelmor-report reads the log and works out the battery life.")
  # The libraries it links (Qt among them) become its dependencies.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The web tour drives a browser; the Japanese texts need a Japanese font.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "chromium")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk")
endif()
include(CPack)
