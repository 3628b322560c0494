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

# Vector instructions for the drawing code (the engine, the effects and the show's routines), whose
# pixel loops vectorise as they do natively. The sound library and MIDAS stay scalar: with vectors
# on, this toolchain's compiler drops four of the 64 outputs of every stereo set of the synthesis
# (the browser's show.wav then differs from the native one from the first sound on).
target_compile_options(engine PRIVATE -msimd128)
target_compile_options(show PRIVATE -msimd128)
target_link_options(tarvon3 PRIVATE -msimd128)
