# The Windows release: a zip that a user unpacks and runs, and an installer of the same files
# (WindowsInstaller.cmake). Both hold the program, exactly the Qt DLLs and plugins it loads, the
# compiler's runtime DLLs, both control hosts and the licence texts that come with them.
set(KV27_QT_SOURCE_DIR "" CACHE PATH "The Qt source the Windows Qt was built from, for its licences")
if(NOT IS_DIRECTORY "${KV27_QT_SOURCE_DIR}/LICENSES")
    message(FATAL_ERROR "KV27_QT_SOURCE_DIR must name the Qt source (scripts/build-windows does)")
endif()

foreach(library Qt6::Core Qt6::Gui Qt6::Widgets)
    install(FILES $<TARGET_FILE:${library}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)

foreach(runtime libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    kv27_runtime_dll(${runtime} path)
    install(FILES ${path} DESTINATION .)
endforeach()

foreach(host control-host-x86_64/kv27-control-host64.exe control-host-i686/kv27-control-host32.exe)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/${host} DESTINATION .)
endforeach()

# Qt's own licences, those of the libraries Qt bundles into these DLLs, and the runtime's: GCC's
# with its runtime library exception, and that of the mingw-w64 threads library.
install(FILES ${KV27_QT_SOURCE_DIR}/LICENSES/LGPL-3.0-only.txt
              ${KV27_QT_SOURCE_DIR}/LICENSES/GPL-2.0-only.txt
              ${KV27_QT_SOURCE_DIR}/LICENSES/GPL-3.0-only.txt
        DESTINATION licenses/qt)
foreach(library blake2 double-conversion easing freetype harfbuzz-ng icc libpng md4c pcre2
                rfc6234 sha3 tinycbor zlib)
    set(folder ${KV27_QT_SOURCE_DIR}/src/3rdparty/${library})
    file(READ ${folder}/qt_attribution.json attribution)
    string(JSON kind TYPE "${attribution}")
    if(kind STREQUAL OBJECT)
        set(attribution "[${attribution}]")
    endif()
    string(JSON last LENGTH "${attribution}")
    math(EXPR last "${last} - 1")
    foreach(i RANGE ${last})
        string(JSON file GET "${attribution}" ${i} LicenseFile)
        install(FILES ${folder}/${file} DESTINATION licenses/qt/3rdparty/${library})
    endforeach()
endforeach()
install(FILES /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
        DESTINATION licenses RENAME gcc-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright
        DESTINATION licenses RENAME mingw-w64.txt)
get_filename_component(qt_source ${KV27_QT_SOURCE_DIR} NAME)
configure_file(${CMAKE_CURRENT_LIST_DIR}/licenses.txt.in licenses/README.txt @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/licenses/README.txt DESTINATION licenses)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-windows-x64)
set(CPACK_STRIP_FILES ON)

# The installer, made from the zip so that both hold the very same files (stripping stamps each
# executable anew): `cmake --build . --target msi` after cpack puts it beside the zip.
set(stage ${CMAKE_BINARY_DIR}/msi-files)
add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
            ${CMAKE_COMMAND} -E tar xf ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip
    COMMAND ${CMAKE_COMMAND} -D KV27_STAGE=${stage}/${CPACK_PACKAGE_FILE_NAME}
            -D KV27_MSI=${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.msi
            -P ${CMAKE_CURRENT_LIST_DIR}/WindowsInstaller.cmake
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    VERBATIM)

# Last: CPack leaves its source package's name in CPACK_PACKAGE_FILE_NAME.
include(CPack)

