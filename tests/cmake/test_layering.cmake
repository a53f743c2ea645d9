# The layering check on a copy of the tree: the copy as it stands passes for
# every layer, and each include planted against the layer order is caught.
#   cmake -DSOURCE_DIR=<root> -DWORK_DIR=<scratch> -DINCLUDES_<layer>=<dirs> ... -P test_layering.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(root "${SOURCE_DIR}" REALPATH)
set(copy "${WORK_DIR}/tree")
file(REMOVE_RECURSE "${copy}")
file(MAKE_DIRECTORY "${copy}/report")
foreach(dir app widgets platform script)
  file(COPY "${root}/${dir}" DESTINATION "${copy}" PATTERN "*.cpp" PATTERN "*.h" PATTERN "fonts" EXCLUDE)
endforeach()
foreach(dir preview engine model)
  file(COPY "${root}/report/${dir}" DESTINATION "${copy}/report")
endforeach()
get_filename_component(copy "${copy}" REALPATH)

set(failures 0)
# Runs the check of Layer on the copy; Expect is "" for a pass or a text the
# failure must hold.
function(check layer expect what)
  string(REPLACE "/" "_" var "${layer}")
  string(REPLACE "${root}" "${copy}" includes "${INCLUDES_${var}}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${copy} -DLAYER=${layer} "-DINCLUDES=${includes}"
                          -P ${root}/cmake/CheckLayering.cmake
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")
  if(expect STREQUAL "" AND NOT rc EQUAL 0)
    message(SEND_ERROR "${what}: expected to pass, failed: ${err}")
    math(EXPR failures "${failures} + 1")
  elseif(NOT expect STREQUAL "" AND (rc EQUAL 0 OR NOT err MATCHES "${expect}"))
    message(SEND_ERROR "${what}: expected a failure naming '${expect}', got ${rc}: ${err}")
    math(EXPR failures "${failures} + 1")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

foreach(layer app widgets report/preview report/engine report/model script platform)
  check(${layer} "" "unchanged ${layer}")
endforeach()

# layer | planted file | its include | what the failure names ("" passes)
#       | a second planted file | its include
set(plants
  "report/model|report/model/qdzPlant.cpp|#include \"report/preview/qdzPreview.h\"|includes report/preview/qdzPreview.h"
  "script|script/kw_plant.h|  #  include \"../report/preview/qdzPreview.h\"|script may depend only on script platform"
  "report/engine|report/engine/qdzPlant.h|#include <report/preview/qdzPreview.h>|report/engine may depend only on"
  "platform|platform/Plant.cpp|#include \"script/kw_iinterpreter.h\"|platform may depend only on platform"
  "widgets|widgets/Plant.cpp|#include \"report/model/qdzClass.h\"|widgets may depend only on widgets platform"
  "report/preview|report/preview/qdzPlant.cpp|#include \"app/Unit1.h\"|report/preview may depend only on"
  # Not among platform's include directories: the compiler would not find it.
  "platform|platform/Plant.cpp|#include \"kw_iinterpreter.h\"|"
  # A header of an allowed layer that includes a forbidden one is followed.
  "report/model|script/kw_plant.h|#include \"report/engine/qdzEngine.h\"|kw_plant.h includes report/engine/qdzEngine.h|report/model/qdzPlant.cpp|#include \"kw_plant.h\""
  # Beside the including file first, as the compiler looks.
  "report/model|report/model/qdzPlant.h|#include \"report/preview/qdzPreview.h\"||report/model/report/preview/qdzPreview.h|"
)
foreach(row IN LISTS plants)
  string(REPLACE "|" ";" row "${row}")
  list(LENGTH row n)
  while(n LESS 6)
    list(APPEND row "")
    math(EXPR n "${n} + 1")
  endwhile()
  list(GET row 0 layer)
  list(GET row 3 expect)
  foreach(at 1 4)
    math(EXPR next "${at} + 1")
    list(GET row ${at} file)
    list(GET row ${next} include)
    if(file)
      file(WRITE "${copy}/${file}.saved" "")
      if(EXISTS "${copy}/${file}")
        file(RENAME "${copy}/${file}" "${copy}/${file}.saved")
      endif()
      file(WRITE "${copy}/${file}" "${include}\n")
    endif()
  endforeach()
  list(GET row 1 what)
  list(GET row 2 how)
  check(${layer} "${expect}" "${what}: ${how}")
  foreach(at 1 4)
    list(GET row ${at} file)
    if(file)
      file(RENAME "${copy}/${file}.saved" "${copy}/${file}")
      file(SIZE "${copy}/${file}" size)
      if(size EQUAL 0)
        file(REMOVE "${copy}/${file}")
      endif()
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE "${copy}")
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} layering case(s) wrong")
endif()
