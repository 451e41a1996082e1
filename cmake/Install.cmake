# `cmake --install <build> --prefix <P>` lays the program out for a desktop:
#
#   P/bin/Lorvane, backup, screenShot       the program and its helpers
#   P/lib/libVantrel.so                     the image library
#   P/share/lorvane/templates/*.dfw         the Word templates
#   P/share/lorvane/upload/                 the phone's upload page
#   P/share/applications/lorvane.desktop    the menu entry (Name 错题本)
#   P/share/icons/hicolor/.../lorvane.*     the program's icon
#
# The programs find the library through their RUNPATH ($ORIGIN/../lib) and
# the shared files through platform::findShared (beside the program, else
# under ../share/lorvane).
set(lorvane_programs Lorvane)
foreach(helper backup screenShot)
  if(TARGET ${helper})
    list(APPEND lorvane_programs ${helper})
  endif()
endforeach()
set_target_properties(${lorvane_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
install(TARGETS ${lorvane_programs} RUNTIME DESTINATION bin)
install(TARGETS Vantrel LIBRARY DESTINATION lib)

install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/templates DESTINATION share/lorvane FILES_MATCHING PATTERN "*.dfw")
if(EXISTS ${CMAKE_SOURCE_DIR}/transfer/phone/upload)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/transfer/phone/upload DESTINATION share/lorvane)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/resources/src/logo3.svg DESTINATION share/icons/hicolor/scalable/apps
        RENAME lorvane.svg)
install(FILES ${CMAKE_SOURCE_DIR}/resources/logo/logo3.png DESTINATION share/icons/hicolor/128x128/apps
        RENAME lorvane.png)

# The menu entry names the installed program by its full path, known only
# when installing (--prefix may differ from CMAKE_INSTALL_PREFIX).
install(CODE "
  set(LORVANE_EXEC \"\${CMAKE_INSTALL_PREFIX}/bin/Lorvane\")
  configure_file(\"${CMAKE_SOURCE_DIR}/resources/desktop/lorvane.desktop.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/lorvane.desktop\" @ONLY)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/applications/lorvane.desktop\")
")
