# What the Windows executables share: their version details, and where the cross compiler keeps
# the runtime DLLs that they load.
include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)

# Gives the target a version resource with the product's name and version and the description.
function(kv27_add_version_resource target description)
    get_target_property(file_name ${target} OUTPUT_NAME)
    if(NOT file_name)
        set(file_name ${target})
    endif()
    set(KV27_FILE_NAME ${file_name})
    set(KV27_FILE_DESCRIPTION ${description})
    string(REPLACE "." "," KV27_VERSION_COMMAS "${KV27_VERSION},0")
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/version.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
endfunction()

# The path of one of the compiler's runtime DLLs, such as libstdc++-6.dll.
function(kv27_runtime_dll name out)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path ${path} REALPATH)
    set(${out} ${path} PARENT_SCOPE)
endfunction()
