# quorvella_debian_source(<package> <marker> <cache-var> <result-var>)
#
# Finds an unpacked Debian source package for a library that the plug-in compiles in. The
# source comes from `apt-get source <package>` (the deb-src entry is added by
# tools/install-deps.sh; Debian's patches apply on unpacking), unpacked once into a
# per-user cache shared by all build folders: $XDG_CACHE_HOME/quorvella (default
# ~/.cache/quorvella). <marker> is a file path relative to the unpacked root that
# identifies it (for example "src/lua.h"). Setting the cache variable <cache-var> to an
# unpacked copy uses that one instead. Sets <result-var> to the unpacked root.

function(quorvella_find_debian_source dir package marker result)
  file(GLOB found "${dir}/${package}/${package}-*/${marker}")
  if(found)
    list(SORT found)
    list(GET found -1 file)
    string(LENGTH "/${marker}" markerLength)
    string(LENGTH "${file}" fileLength)
    math(EXPR rootLength "${fileLength} - ${markerLength}")
    string(SUBSTRING "${file}" 0 ${rootLength} root)
    set(${result} "${root}" PARENT_SCOPE)
  else()
    set(${result} "" PARENT_SCOPE)
  endif()
endfunction()

# quorvella_patched_copy(<source-dir> <patch> <copy-dir>)
#
# Copies <source-dir> to <copy-dir> in the build tree and applies <patch> (-p1) there, so
# the cached source stays as Debian ships it. The copy is made again when the patch
# changes; editing the patch reconfigures the build.
function(quorvella_patched_copy sourceDir patch copyDir)
  string(MAKE_C_IDENTIFIER "QUORVELLA_PATCHED_${copyDir}" hashVar)
  file(SHA256 "${patch}" patchHash)
  if(NOT EXISTS "${copyDir}/.patched" OR NOT patchHash STREQUAL "${${hashVar}}")
    file(REMOVE_RECURSE "${copyDir}")
    file(COPY "${sourceDir}/" DESTINATION "${copyDir}")
    execute_process(COMMAND patch -p1 --quiet --forward -i "${patch}"
                    WORKING_DIRECTORY "${copyDir}" RESULT_VARIABLE patchResult
                    OUTPUT_VARIABLE patchOutput ERROR_VARIABLE patchOutput)
    if(NOT patchResult EQUAL 0)
      message(FATAL_ERROR "Applying ${patch} to ${sourceDir} failed:\n${patchOutput}")
    endif()
    file(TOUCH "${copyDir}/.patched")
    set(${hashVar} "${patchHash}" CACHE INTERNAL "")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${patch}")
endfunction()

function(quorvella_debian_source package marker cacheVar result)
  set(${cacheVar} "" CACHE PATH
      "Unpacked Debian ${package} source package; empty: fetch it with apt-get source")
  if(${cacheVar})
    set(root "${${cacheVar}}")
  else()
    if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
      set(depsCache "$ENV{XDG_CACHE_HOME}/quorvella")
    elseif(NOT "$ENV{HOME}" STREQUAL "")
      set(depsCache "$ENV{HOME}/.cache/quorvella")
    else()
      set(depsCache "${CMAKE_BINARY_DIR}/_deps")
    endif()
    quorvella_find_debian_source("${depsCache}" ${package} "${marker}" root)
    if(NOT root)
      # Several build folders may be configured at once: one fetches, the others wait.
      file(MAKE_DIRECTORY "${depsCache}")
      file(LOCK "${depsCache}/${package}.lock" GUARD FUNCTION TIMEOUT 900)
      quorvella_find_debian_source("${depsCache}" ${package} "${marker}" root)
      if(NOT root)
        message(STATUS "Fetching the Debian ${package} source package into ${depsCache}")
        set(partial "${depsCache}/${package}.partial")
        file(REMOVE_RECURSE "${partial}")
        file(MAKE_DIRECTORY "${partial}")
        execute_process(COMMAND apt-get source -qq ${package}
                        WORKING_DIRECTORY "${partial}"
                        RESULT_VARIABLE fetchResult OUTPUT_VARIABLE fetchOutput
                        ERROR_VARIABLE fetchOutput)
        if(NOT fetchResult EQUAL 0)
          # A mirror may lack a package's Debian tarball while it has the upstream one
          # (seen with ftgl): the upstream source alone is then used, unpatched.
          file(GLOB origs "${partial}/${package}_*.orig.tar.*")
          list(FILTER origs EXCLUDE REGEX "\\.asc$")
          if(origs)
            list(GET origs 0 orig)
            message(STATUS "apt-get source ${package} failed; unpacking ${orig} alone")
            execute_process(COMMAND tar xf "${orig}" WORKING_DIRECTORY "${partial}"
                            RESULT_VARIABLE fetchResult)
          endif()
        endif()
        if(NOT fetchResult EQUAL 0)
          message(FATAL_ERROR "apt-get source ${package} failed (run tools/install-deps.sh "
                              "first, it adds the deb-src entry):\n${fetchOutput}")
        endif()
        file(REMOVE_RECURSE "${depsCache}/${package}")
        file(RENAME "${partial}" "${depsCache}/${package}")
        quorvella_find_debian_source("${depsCache}" ${package} "${marker}" root)
      endif()
      file(LOCK "${depsCache}/${package}.lock" RELEASE)
    endif()
  endif()
  if(NOT EXISTS "${root}/${marker}")
    message(FATAL_ERROR "No ${package} source found (looked for ${root}/${marker})")
  endif()
  message(STATUS "${package} source: ${root}")
  set(${result} "${root}" PARENT_SCOPE)
endfunction()
