# Compile options of the browser build (emscripten), for every library of the show.
# The runtime's one non-local exit (Exit back to the entry guard) is a C++ exception, so catching
# stays on. The same sin and cos as the native build come from the C library, see web.cmake.
add_compile_options(-fexceptions)
