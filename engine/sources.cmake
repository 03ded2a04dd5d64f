# The engine's files that compile for every target, relative to engine/: the
# native build (engine/CMakeLists.txt) adds the processor detection and, on
# x86, the AVX2 loops, the WebAssembly build (web/CMakeLists.txt) its own choice of
# loops in their place. One list, so that a new file reaches both.
set(velmora_engine_sources
  base/dib.cpp
  base/file_io.cpp
  base/output_sink.cpp
  kernels/bit_packing.cpp
  kernels/centre_line_tracer.cpp
  kernels/chamfer_distance.cpp
  kernels/edge_extraction.cpp
  kernels/ink_extraction.cpp
  kernels/noise_removal.cpp
  kernels/orientation.cpp
  kernels/photo_lines.cpp
  kernels/pixel_layouts.cpp
  codecs/bmp_reader.cpp
  codecs/bmp_writer.cpp
  codecs/container_checks.cpp
  codecs/exif_orientation.cpp
  codecs/jpeg_decoder.cpp
  codecs/pixel_density.cpp
  codecs/png_decoder.cpp
  codecs/png_writer.cpp
  codecs/svg_writer.cpp
  pipeline/image.cpp
  pipeline/line_conversion.cpp
  pipeline/line_rows.cpp
  pipeline/output_formats.cpp
  pipeline/row_outputs.cpp
  pipeline/row_sources.cpp
  document/image_document.cpp
  document/image_stack.cpp
)
