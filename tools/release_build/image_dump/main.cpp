// image_dump <image file>: prints the image's header, libraries, declared
// functions, segments and relocations, constants, routine directory, binding
// lists and window definition.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "tools/release_build/image_dump/dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: image_dump <image file>\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "image_dump: cannot open %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string error;
  const bool complete = image_dump::DumpImage(bytes, std::cout, error);
  std::cout.flush();
  if (!complete) {
    std::fprintf(stderr, "image_dump: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
