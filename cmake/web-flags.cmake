# Compile options of the browser build (emscripten), for every library of the show.
# The runtime's one non-local exit (Exit back to the entry guard) is a C++ exception, so catching
# stays on. The same sin and cos as the native build come from the C library, see web.cmake.
add_compile_options(-fexceptions)
# memory.copy and memory.fill for the block copies (platform/web/memory_bulk.cpp), in place of a
# call out to JavaScript for every copy of 512 bytes or more.
add_compile_options(-mbulk-memory)
add_link_options(-mbulk-memory)
