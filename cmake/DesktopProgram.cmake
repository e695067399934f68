# What the desktop program needs beyond its code: icons, manual, desktop entry and metainfo.

# The desktop program's icons are drawn at build time: the tool bar's into its resources, the
# program's own at the icon theme's sizes for the desktop.
add_executable(reelweld-makeicons src/ui/icons/MakeIcons.cpp)
target_link_libraries(reelweld-makeicons PRIVATE Qt6::Gui)
set(reelweld_icon_dir ${CMAKE_BINARY_DIR}/icons)
set(reelweld_icons addfiles play moveup movedown joinfiles clear reelweld)
list(TRANSFORM reelweld_icons PREPEND ${reelweld_icon_dir}/ OUTPUT_VARIABLE reelweld_icon_files)
list(TRANSFORM reelweld_icon_files APPEND .png)
add_custom_command(OUTPUT ${reelweld_icon_files} ${reelweld_icon_dir}/hicolor/256x256/apps/reelweld.png
  COMMAND reelweld-makeicons ${reelweld_icon_dir}
  DEPENDS reelweld-makeicons
  COMMENT "Drawing the icons")
add_custom_target(reelweld-themeicons ALL DEPENDS ${reelweld_icon_dir}/hicolor/256x256/apps/reelweld.png)
qt_add_resources(reelweld_ui reelweld_icons PREFIX /icons BASE ${reelweld_icon_dir}
  FILES ${reelweld_icon_files})

# The manual opens from the program's folder in a build, from the documentation folder after
# installing; the program finds the latter by its path relative to the programs' folder.
set(REELWELD_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/reelweld)
file(RELATIVE_PATH reelweld_doc_from_bin ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
  ${CMAKE_INSTALL_PREFIX}/${REELWELD_DOCDIR})
target_compile_definitions(reelweld_ui PRIVATE REELWELD_DOC_FROM_BIN="${reelweld_doc_from_bin}")
add_custom_command(TARGET reelweld POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/docs/manual.html
    $<TARGET_FILE_DIR:reelweld>/manual.html)

install(TARGETS reelweld RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES docs/manual.html DESTINATION ${REELWELD_DOCDIR})
install(FILES src/app/example.quillon.reelweld.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES src/app/example.quillon.reelweld.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(DIRECTORY ${reelweld_icon_dir}/hicolor DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons)
