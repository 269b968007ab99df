# The control host is a Windows program of its own (src/control_host). Elsewhere, and for the
# Windows
# release made there, it is cross-compiled for both bitnesses wherever Debian's mingw-w64 is at
# hand, so that it can be tested under wine.
if(NOT WIN32 OR CMAKE_CROSSCOMPILING)
    include(ExternalProject)
    foreach(arch IN ITEMS x86_64 i686)
        find_program(KV27_MINGW_${arch} ${arch}-w64-mingw32-g++-win32)
        if(KV27_MINGW_${arch})
            ExternalProject_Add(control_host_${arch}
                SOURCE_DIR ${PROJECT_SOURCE_DIR}/src/control_host
                BINARY_DIR ${CMAKE_BINARY_DIR}/control-host-${arch}
                CMAKE_ARGS
                    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-w64.cmake
                    -DKV27_MINGW_ARCH=${arch}
                    -DCMAKE_BUILD_TYPE=Release
                    -DKV27_PROTOCOL_DIR=${PROJECT_SOURCE_DIR}/src/control_protocol
                INSTALL_COMMAND ""
                BUILD_ALWAYS ON)
        else()
            message(STATUS "No ${arch} mingw-w64 compiler: the control host is not built")
        endif()
    endforeach()
endif()
