# serifetch_headers(<target> [PUBLIC <header>...] [PRIVATE <header>...])
#
# Headers are included by their path from the top of the tree
# ("net/powersock.h"), but the top of the tree holds every layer's headers:
# with it on the include path, net/ could include "app/job_grid.h" and the
# build would not notice. So each target gets include roots of its own in the
# build tree that hold only the headers named here: the PUBLIC root is what
# the targets linking it see, the PRIVATE root only its own sources. A header
# used by a PUBLIC header must be PUBLIC too.
#
# Each entry is a one-line header that includes the real file by its absolute
# path, so compiler and clang-tidy diagnostics, debuggers and dependency files
# name the real file (a symlink is reported under its own path, and a copy
# goes stale until the next configure).
function(serifetch_headers target)
  cmake_parse_arguments(H "" "" "PUBLIC;PRIVATE" ${ARGN})
  if(H_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "serifetch_headers(${target}): PUBLIC or PRIVATE before ${H_UNPARSED_ARGUMENTS}")
  endif()
  foreach(scope PUBLIC PRIVATE)
    string(TOLOWER ${scope} kind)
    set(root ${CMAKE_BINARY_DIR}/include/${target}/${kind})
    # A header taken off the list must not stay reachable from an earlier
    # configure: the list of last time says what to remove.
    set(manifest ${root}.list)
    if(EXISTS ${manifest})
      file(STRINGS ${manifest} previous)
      foreach(header IN LISTS previous)
        if(NOT header IN_LIST H_${scope})
          file(REMOVE ${root}/${header})
        endif()
      endforeach()
    endif()
    foreach(header IN LISTS H_${scope})
      set(real ${PROJECT_SOURCE_DIR}/${header})
      if(NOT EXISTS ${real})
        message(FATAL_ERROR "serifetch_headers(${target}): ${header} does not exist")
      endif()
      # Written only when its text changes, so a configure rebuilds nothing.
      file(CONFIGURE OUTPUT ${root}/${header} CONTENT "#include \"${real}\"\n" @ONLY)
    endforeach()
    list(JOIN H_${scope} "\n" lines)
    file(CONFIGURE OUTPUT ${manifest} CONTENT "${lines}\n" @ONLY)
    if(H_${scope})
      target_include_directories(${target} ${scope} ${root})
    endif()
  endforeach()
endfunction()
