# The C library's files, relative to library/: the native build
# (library/CMakeLists.txt) and the WebAssembly build (web/CMakeLists.txt)
# both compile them. One list, so that a new file reaches both.
set(velmora_library_sources choices.cpp convert.cpp errors.cpp extract.cpp formats.cpp load.cpp options.cpp output_buffer.cpp)
