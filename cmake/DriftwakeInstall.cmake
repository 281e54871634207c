# Installing Driftwake as a desktop game (GNUInstallDirs layout) and building
# its Debian package with CPack:
#   cmake --install BUILD --prefix /usr       (or: cd BUILD && cpack)
include(GNUInstallDirs)

set(DW_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(DW_APP_ID io.github.driftwake.Driftwake)
# Lower case on purpose: the data directory and the package carry this name.
set(DW_SHARE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/driftwake)

if(DRIFTWAKE_GUI)
    install(TARGETS driftwake RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

    # The application icon in every size a desktop looks for, drawn by the
    # artwork tool into the hicolor theme layout.
    set(DW_ICON_SIZES 16 22 24 32 48 64 128 256)
    set(dw_icon_root ${PROJECT_BINARY_DIR}/icons/hicolor)
    set(dw_icons)
    foreach(size IN LISTS DW_ICON_SIZES)
        list(APPEND dw_icons ${dw_icon_root}/${size}x${size}/apps/driftwake.png)
    endforeach()
    add_custom_command(
        OUTPUT ${dw_icons}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:driftwake-art> --icons ${dw_icon_root}
        DEPENDS driftwake-art
        COMMENT "Drawing the application icons"
        VERBATIM)
    add_custom_target(driftwake-icons ALL DEPENDS ${dw_icons})
    foreach(size IN LISTS DW_ICON_SIZES)
        install(FILES ${dw_icon_root}/${size}x${size}/apps/driftwake.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()

    install(FILES ${DW_PACKAGING_DIR}/driftwake.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${DW_PACKAGING_DIR}/${DW_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # Manual pages are installed compressed where gzip is at hand, as
    # Debian systems keep them.
    find_program(DW_GZIP gzip)
    if(DW_GZIP)
        set(dw_man ${PROJECT_BINARY_DIR}/man/driftwake.6.gz)
        add_custom_command(
            OUTPUT ${dw_man}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
            COMMAND ${DW_GZIP} -9nc ${DW_PACKAGING_DIR}/driftwake.6 > ${dw_man}
            DEPENDS ${DW_PACKAGING_DIR}/driftwake.6
            COMMENT "Compressing the manual page")
        add_custom_target(driftwake-man ALL DEPENDS ${dw_man})
    else()
        set(dw_man ${DW_PACKAGING_DIR}/driftwake.6)
    endif()
    install(FILES ${dw_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

    install(FILES ${DW_PACKAGING_DIR}/driftwake-host.service
            DESTINATION ${DW_SHARE_DOC_DIR}/examples)
endif()

# The Debian package: cd BUILD && cpack  ->  driftwake_VERSION_ARCH.deb
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME driftwake)
set(CPACK_PACKAGE_VENDOR "The Driftwake developers")
set(CPACK_PACKAGE_CONTACT "Driftwake maintainers <maintainers@driftwake.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "space race card game for two to four pilots")
set(CPACK_PACKAGE_DESCRIPTION
    "Driftwake is a card game for two to four pilots who race space ships towards a
target distance measured in lightyears, slowing each other down with attacks
and keeping repairs and protections for their own ship. Play solo against
computer pilots or over the network; one copy hosts the game and the others
join it. A headless host runs the game server without a window.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://driftwake.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The libraries come from dpkg-shlibdeps; the platform plugins are loaded at
# run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
