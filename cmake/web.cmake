# The browser build of tarvon3 and its static site in ${CMAKE_BINARY_DIR}/site.
#
# The timeline keeps its own loop: asyncify lets a frame's present yield to the browser until the
# next animation frame, and lets the music thread run as a fiber (platform/web/threads_web.cpp).
# The page (web/page.js) makes the module with TarvonModule({...}) and calls main itself, after
# data.qvx has been downloaded into the module's file system.
if(NOT TARGET tarvon3)
  return()
endif()
set_target_properties(tarvon3 PROPERTIES SUFFIX ".js")
target_link_options(tarvon3 PRIVATE
  -fexceptions
  -sASYNCIFY=1
  -sASYNCIFY_STACK_SIZE=131072
  -sALLOW_MEMORY_GROWTH=1
  -sMALLOC=emmalloc
  -sINITIAL_MEMORY=134217728
  -sTOTAL_STACK=4194304
  -sMODULARIZE=1
  -sEXPORT_NAME=TarvonModule
  -sINVOKE_RUN=0
  -sEXIT_RUNTIME=1
  -sENVIRONMENT=web
  "-sEXPORTED_FUNCTIONS=[_main,_malloc]"
  "-sEXPORTED_RUNTIME_METHODS=[FS,ccall,stringToUTF8,lengthBytesUTF8]")

# The site: the page, its scripts and the program; data.qvx is added by `make web`.
file(GLOB web_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/*.html ${CMAKE_SOURCE_DIR}/web/*.js
     ${CMAKE_SOURCE_DIR}/web/*.css)
add_custom_target(site ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/site
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_files} ${CMAKE_BINARY_DIR}/site/
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE_DIR:tarvon3>/tarvon3.js
          $<TARGET_FILE_DIR:tarvon3>/tarvon3.wasm ${CMAKE_BINARY_DIR}/site/
  DEPENDS tarvon3 ${web_files}
  COMMENT "Writing the site to ${CMAKE_BINARY_DIR}/site")

# Vector instructions for the light effect, whose per-pixel index maths vectorises as it does
# natively (without them that section draws at 1.7 times its native time; every other section is
# within about 1.35 times of native without them, and vectors elsewhere cost download bytes for
# little). The sound library stays scalar: with vectors on, this toolchain's compiler gets eight of
# the 64 values of every stereo set of the synthesis wrong (moved, or zero).
set_source_files_properties(${CMAKE_SOURCE_DIR}/demo/effects/light.cpp TARGET_DIRECTORY engine
                            PROPERTIES COMPILE_OPTIONS -msimd128)
target_link_options(tarvon3 PRIVATE -msimd128)
