# SPDX-FileCopyrightText: 2026 The Marrowfen developers
# SPDX-License-Identifier: MIT
#
# Run by CPack once the package's files are staged: the Debian package's
# Depends, read off the staged ELF files by dpkg-shlibdeps. CPack's own
# CPACK_DEBIAN_PACKAGE_SHLIBDEPS does the same but also writes maintainer
# scripts that run ldconfig whenever a shared object lies under usr/lib; the
# archive library is private, loaded from the program's folder, and never in
# the linker cache.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
set(stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${stage}/*")
set(elf_files)
foreach(file IN LISTS staged)
    if(NOT IS_SYMLINK "${file}")
        file(READ "${file}" magic LIMIT 4 HEX)
        if(magic STREQUAL "7f454c46")
            list(APPEND elf_files "${file}")
        endif()
    endif()
endforeach()
if(NOT elf_files)
    message(FATAL_ERROR "Packaging: no ELF files staged in ${stage}")
endif()
# dpkg-shlibdeps wants a debian/control in its working folder.
set(work ${stage}-shlibdeps)
file(REMOVE_RECURSE "${work}")
file(WRITE "${work}/debian/control" "")
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C dpkg-shlibdeps -O ${elf_files}
    WORKING_DIRECTORY "${work}" RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
file(REMOVE_RECURSE "${work}")
if(NOT status EQUAL 0 OR NOT output MATCHES "shlibs:Depends=([^\n]*)")
    message(FATAL_ERROR "Packaging: dpkg-shlibdeps failed: ${errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
