# Desktop integration: the viewer's menu entry and icon, a file type for
# every pattern format, and the thumbnailer entry that lets file managers
# show patterns through `loomveil-cli thumbnail`.
include(GNUInstallDirs)
set(LOOMVEIL_DESKTOP_DIR ${LOOMVEIL_SOURCE_DIR}/data/desktop)

# The file types, the menu entry and the thumbnailer entry list the types of
# the format table: a small program of ours writes them at build time.
set(LOOMVEIL_DESKTOP_OUT ${CMAKE_BINARY_DIR}/desktop)
set(LOOMVEIL_DESKTOP_FILES ${LOOMVEIL_DESKTOP_OUT}/loomveil.xml ${LOOMVEIL_DESKTOP_OUT}/loomveil.desktop
    ${LOOMVEIL_DESKTOP_OUT}/loomveil.thumbnailer)
add_executable(loomveil-desktop-files ${LOOMVEIL_DESKTOP_DIR}/write_desktop_files.cpp)
target_link_libraries(loomveil-desktop-files PRIVATE loomveil_core)
add_custom_command(OUTPUT ${LOOMVEIL_DESKTOP_FILES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LOOMVEIL_DESKTOP_OUT}
    COMMAND loomveil-desktop-files ${LOOMVEIL_DESKTOP_DIR} ${LOOMVEIL_DESKTOP_OUT}
    DEPENDS loomveil-desktop-files ${LOOMVEIL_DESKTOP_DIR}/loomveil.desktop.in
            ${LOOMVEIL_DESKTOP_DIR}/loomveil.thumbnailer.in
    COMMENT "Writing the desktop file types"
    VERBATIM)
add_custom_target(loomveil_desktop_files ALL DEPENDS ${LOOMVEIL_DESKTOP_FILES})
install(FILES ${LOOMVEIL_DESKTOP_OUT}/loomveil.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${LOOMVEIL_DESKTOP_OUT}/loomveil.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

if(TARGET loomveil)
    # The icon theme's pictures, drawn at build time by the window's own
    # icon code.
    set(LOOMVEIL_ICON_SIZES 16 24 32 48 64 128 256)
    set(LOOMVEIL_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
    add_executable(loomveil-icon ${LOOMVEIL_DESKTOP_DIR}/render_icon.cpp ${LOOMVEIL_SOURCE_DIR}/src/app/app_icon.cpp)
    target_include_directories(loomveil-icon PRIVATE ${LOOMVEIL_SOURCE_DIR}/src)
    target_link_libraries(loomveil-icon PRIVATE Qt6::Gui)
    set(LOOMVEIL_ICON_FILES)
    foreach(size ${LOOMVEIL_ICON_SIZES})
        list(APPEND LOOMVEIL_ICON_FILES ${LOOMVEIL_ICON_DIR}/${size}x${size}/loomveil.png)
        install(FILES ${LOOMVEIL_ICON_DIR}/${size}x${size}/loomveil.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_command(OUTPUT ${LOOMVEIL_ICON_FILES}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:loomveil-icon> ${LOOMVEIL_ICON_DIR} ${LOOMVEIL_ICON_SIZES}
        DEPENDS loomveil-icon
        COMMENT "Drawing the application icon"
        VERBATIM)
    add_custom_target(loomveil_icons ALL DEPENDS ${LOOMVEIL_ICON_FILES})
    install(FILES ${LOOMVEIL_DESKTOP_OUT}/loomveil.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# Rebuild the prefix's MIME database, as a package's trigger would, so that
# the new types take effect. A staged install (DESTDIR) leaves that to the
# packager.
install(CODE "
    find_program(LOOMVEIL_UPDATE_MIME update-mime-database)
    if(LOOMVEIL_UPDATE_MIME AND \"\$ENV{DESTDIR}\" STREQUAL \"\")
        execute_process(COMMAND \${LOOMVEIL_UPDATE_MIME} \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/mime\")
    endif()
")
