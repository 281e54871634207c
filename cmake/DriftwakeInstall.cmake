# Installing Driftwake as a desktop game (GNUInstallDirs layout, the program
# among the games) and building its Debian package with CPack:
#   cmake --install BUILD --prefix /usr/local  ->  /usr/local/games/driftwake
#   cd BUILD && cpack -G DEB                   ->  driftwake_VERSION_ARCH.deb,
#                                                  the program in /usr/games
include(GNUInstallDirs)

set(DW_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(DW_APP_ID io.github.driftwake.Driftwake)
# Lower case on purpose: the data directory and the package carry this name.
set(DW_SHARE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/driftwake)
# The one place that says where the program is installed, below the prefix.
# Debian keeps games in /usr/games and /usr/local/games, both on an ordinary
# user's PATH; an install into a home directory may choose bin (~/.local/bin).
set(DRIFTWAKE_INSTALL_GAMESDIR games
    CACHE STRING "Directory of the driftwake program, relative to the install prefix")
# The installed program's full path as an install script sees it: the prefix
# is known only then (--prefix of cmake --install, /usr inside the package).
if(IS_ABSOLUTE "${DRIFTWAKE_INSTALL_GAMESDIR}")
    set(DW_INSTALLED_GAMESDIR "${DRIFTWAKE_INSTALL_GAMESDIR}")
else()
    set(DW_INSTALLED_GAMESDIR "\${CMAKE_INSTALL_PREFIX}/${DRIFTWAKE_INSTALL_GAMESDIR}")
endif()
set(DW_INSTALLED_PROGRAM "${DW_INSTALLED_GAMESDIR}/driftwake")
# The lobby, driftwake-lobby, beside the game.
set(DW_INSTALLED_LOBBY "${DW_INSTALLED_GAMESDIR}/driftwake-lobby")

# dw_install_unit(TEMPLATE): installs the systemd unit TEMPLATE (a file whose
# name ends in .in) among the examples, with @DW_PROGRAM@ and
# @DW_LOBBY_PROGRAM@ replaced by the full paths of the installed game and
# lobby.
function(dw_install_unit template)
    get_filename_component(name ${template} NAME)
    string(REGEX REPLACE "\\.in$" "" name ${name})
    set(unit ${PROJECT_BINARY_DIR}/units/${name})
    install(CODE "
        set(DW_PROGRAM \"${DW_INSTALLED_PROGRAM}\")
        set(DW_LOBBY_PROGRAM \"${DW_INSTALLED_LOBBY}\")
        configure_file(\"${template}\" \"${unit}\" @ONLY)
        file(INSTALL \"${unit}\"
             DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${DW_SHARE_DOC_DIR}/examples\")")
endfunction()

# dw_gzip(VAR SOURCE NAME): sets VAR to SOURCE compressed as Debian keeps
# manual pages and changelogs (gzip -9n: no name or time stamp inside, so a
# rebuild gives the same bytes), or to SOURCE itself where gzip is missing.
find_program(DW_GZIP gzip)
function(dw_gzip var source name)
    if(NOT DW_GZIP)
        set(${var} ${source} PARENT_SCOPE)
        return()
    endif()
    get_filename_component(file ${source} NAME)
    set(out ${PROJECT_BINARY_DIR}/gz/${name}/${file}.gz)
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/gz/${name}
        COMMAND ${DW_GZIP} -9nc ${source} > ${out}
        DEPENDS ${source}
        COMMENT "Compressing ${file}")
    add_custom_target(driftwake-${name} ALL DEPENDS ${out})
    set(${var} ${out} PARENT_SCOPE)
endfunction()

if(DRIFTWAKE_GUI)
    install(TARGETS driftwake driftwake-lobby RUNTIME DESTINATION ${DRIFTWAKE_INSTALL_GAMESDIR})
    # A stripped install (cpack, cmake --install --strip) also drops the
    # compilers' notes that Debian's own packaging tools drop.
    if(CMAKE_STRIP)
        foreach(program IN ITEMS "${DW_INSTALLED_PROGRAM}" "${DW_INSTALLED_LOBBY}")
            install(CODE "
                if(CMAKE_INSTALL_DO_STRIP)
                    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                            --remove-section=.note \"\$ENV{DESTDIR}${program}\"
                                    COMMAND_ERROR_IS_FATAL ANY)
                endif()")
        endforeach()
    endif()

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

    install(FILES ${DW_PACKAGING_DIR}/driftwake.desktop ${DW_PACKAGING_DIR}/driftwake-lobby.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${DW_PACKAGING_DIR}/${DW_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    dw_gzip(dw_man ${DW_PACKAGING_DIR}/driftwake.6 man)
    dw_gzip(dw_lobbyman ${DW_PACKAGING_DIR}/driftwake-lobby.6 lobbyman)
    install(FILES ${dw_man} ${dw_lobbyman} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

    dw_install_unit(${DW_PACKAGING_DIR}/driftwake-host.service.in)
    dw_install_unit(${DW_PACKAGING_DIR}/driftwake-host@.service.in)
    dw_install_unit(${DW_PACKAGING_DIR}/driftwake-advertise@.service.in)
endif()

# What every Debian package carries in its documentation directory: the
# machine-readable copyright file and the changelog (compressed; its name
# without ".Debian" as the package has no upstream of its own).
install(FILES ${DW_PACKAGING_DIR}/copyright DESTINATION ${DW_SHARE_DOC_DIR})
dw_gzip(dw_changelog ${PROJECT_SOURCE_DIR}/changelog changelog)
install(FILES ${dw_changelog} DESTINATION ${DW_SHARE_DOC_DIR})

# Everything the install rules take from the build, for a package built
# without the rest of the tree (cmake --build B --target driftwake-installables
# with CMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON, then cpack).
add_custom_target(driftwake-installables)
if(TARGET driftwake-changelog)
    add_dependencies(driftwake-installables driftwake-changelog)
endif()
if(DRIFTWAKE_GUI)
    add_dependencies(driftwake-installables driftwake driftwake-lobby driftwake-icons)
    if(TARGET driftwake-man)
        add_dependencies(driftwake-installables driftwake-man driftwake-lobbyman)
    endif()
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
join it. A headless host runs the game server without a window, and the
lobby, driftwake-lobby, lets pilots meet, chat and pick a table in a room on
any standard XMPP server.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://driftwake.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The libraries come from dpkg-shlibdeps, so the package depends on exactly
# the runtime libraries the game and the lobby link (libstrophe0 and
# libqt6keychain1 among them), never on a development package; the platform
# plugins are loaded at run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
