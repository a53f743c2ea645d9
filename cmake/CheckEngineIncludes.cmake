# Fails the build when the headless report engine includes anything of the
# preview layer: the engine must link and run without windows.
file(GLOB_RECURSE srcs "${ENGINE_DIR}/*.cpp" "${ENGINE_DIR}/*.h")
foreach(src ${srcs})
  file(STRINGS "${src}" hits REGEX "#[ \t]*include[ \t]*[<\"][^>\"]*report/preview/")
  if(hits)
    message(FATAL_ERROR "${src} includes the preview layer: ${hits}")
  endif()
endforeach()
