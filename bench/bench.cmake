# Speed of the payload decoder (against memcpy of the same output) and of the encoder.
# Not a test: run build-*/bench_decode by hand.
find_package(benchmark REQUIRED)
add_executable(bench_decode bench/bench_decode.cpp tools/packer/encoder.cpp)
target_include_directories(bench_decode PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_decode PRIVATE core_native benchmark::benchmark)
