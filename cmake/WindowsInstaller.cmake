# Builds the Windows installer from a folder that holds the release's files as the zip does.
#   cmake -D KV27_STAGE=<folder> -D KV27_MSI=<file> [-D KV27_MSI_VERSION=<version>]
#         -P WindowsInstaller.cmake
# The version is the release's unless given, as the installer's test does to build an upgrade.
include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)
if(NOT KV27_MSI_VERSION)
    set(KV27_MSI_VERSION ${KV27_VERSION})
endif()
find_program(KV27_WIXL wixl REQUIRED)
find_program(KV27_WIXL_HEAT wixl-heat REQUIRED)

# One product code per version: a second build of the same version is then the same product, and
# Windows does not list it twice.
string(UUID product_code NAMESPACE 1A88FC88-239C-415D-AF58-01367A037F37 NAME ${KV27_MSI_VERSION}
       TYPE SHA1 UPPER)

# Every file of the folder, each a component of its own, named after its path so that the names
# stay the same from one version to the next.
file(GLOB_RECURSE files LIST_DIRECTORIES false ${KV27_STAGE}/*)
list(SORT files)
list(JOIN files "\n" file_list)
file(WRITE ${KV27_MSI}.files "${file_list}\n")
execute_process(
    COMMAND ${KV27_WIXL_HEAT} --prefix ${KV27_STAGE}/ --var var.Stage --win64
            --directory-ref INSTALLDIR --component-group Files
    INPUT_FILE ${KV27_MSI}.files
    OUTPUT_FILE ${KV27_MSI}.files.wxs
    COMMAND_ERROR_IS_FATAL ANY)
# wixl finds the files it packs by paths relative to where it runs.
file(RELATIVE_PATH icon ${KV27_STAGE} ${CMAKE_CURRENT_LIST_DIR}/../data/kv27-exerciser.ico)
execute_process(
    COMMAND ${KV27_WIXL} --arch x64 -o ${KV27_MSI}
            -D Version=${KV27_MSI_VERSION} -D ProductCode=${product_code}
            -D Publisher=${KV27_PUBLISHER} -D Stage=. -D Icon=${icon} -D Win64=yes
            ${CMAKE_CURRENT_LIST_DIR}/kv27-exerciser.wxs ${KV27_MSI}.files.wxs
    WORKING_DIRECTORY ${KV27_STAGE}
    COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${KV27_MSI}.files ${KV27_MSI}.files.wxs)
