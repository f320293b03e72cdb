# Completes the -dbgsym packages CPack's DEB generator makes (CPack 3.25) as
# Debian's own are made: its md5sums name the files by their staging path,
# not by their path in the package, so they are summed afresh; the debug
# files are data, not programs (0644); and the documentation folder is a link
# to the one of the package whose symbols they are, on which the debug
# package depends at its exact version.
# Run by cpack after it made the packages (CPACK_POST_BUILD_SCRIPTS).
set(debug_packages ${CPACK_PACKAGE_FILES})
list(FILTER debug_packages INCLUDE REGEX "\\.ddeb$")
foreach(package IN LISTS debug_packages)
    get_filename_component(folder ${package} DIRECTORY)
    set(tree ${folder}/debug-package-tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-deb --field ${package} Package
                    OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE "-dbgsym$" "" owner ${name})

    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${owner} ${tree}/usr/share/doc/${name} SYMBOLIC)

    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${tree} ${tree}/usr/*)
    list(SORT files)
    set(sums "")
    foreach(file IN LISTS files)
        if(IS_SYMLINK ${tree}/${file})
            continue()
        endif()
        file(CHMOD ${tree}/${file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        file(MD5 ${tree}/${file} sum)
        string(APPEND sums "${sum}  ${file}\n")
    endforeach()
    file(WRITE ${tree}/DEBIAN/md5sums "${sums}")

    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
