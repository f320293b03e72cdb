# Fails when a source file includes a layer above its own, or when a layer
# that must run without a window system includes a Qt header.
#   cmake -DSOURCE_DIR=<tree> [-DSTAMP=<file>] -P check_layers.cmake
# Layers, lowest first: platform, comm, camera, control, then python, tools,
# ui and module above them, host above the platform alone (it loads the
# control at run time); sim stands beside the camera layer and no
# layer includes it. An include is "layer/file.h" with the layer's folder.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "check_layers: SOURCE_DIR is not set")
endif()

set(layers platform comm camera control python tools ui module host sim)
set(allowed_platform platform)
set(allowed_comm ${allowed_platform} comm)
set(allowed_camera ${allowed_comm} camera)
set(allowed_control ${allowed_camera} control)
set(allowed_python ${allowed_control} python)
set(allowed_tools ${allowed_control} tools)
set(allowed_ui ${allowed_control} ui)
set(allowed_module ${allowed_ui} module)
set(allowed_host platform host)
set(allowed_sim ${allowed_camera} sim)
# Layers that the command line, the simulator and most tests link without a
# window system.
set(without_qt platform comm camera control python tools sim)

set(faults "")
foreach(layer IN LISTS layers)
    if(NOT IS_DIRECTORY "${SOURCE_DIR}/${layer}")
        continue()
    endif()
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.hpp"
                              "${SOURCE_DIR}/${layer}/*.c" "${SOURCE_DIR}/${layer}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
        foreach(include IN LISTS includes)
            if(include MATCHES "#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/")
                set(target "${CMAKE_MATCH_1}")
                if(target IN_LIST layers AND NOT target IN_LIST allowed_${layer})
                    string(APPEND faults "\n  ${name}: ${layer}/ must not include ${target}/")
                endif()
            elseif(include MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)" AND layer IN_LIST without_qt)
                string(APPEND faults "\n  ${name}: ${layer}/ must not include Qt (${CMAKE_MATCH_1})")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Layer check failed:${faults}")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
