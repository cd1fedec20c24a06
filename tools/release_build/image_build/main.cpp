// image_build <file> [<update public key>]: writes the program's image, made
// from the program's window definition, constants and routine table, after
// checking that it reads back exactly. The update public key (128
// hexadecimal digits) is the build's TESSALY_UPDATE_PUBLIC_KEY unless given.
#include <cstdio>
#include <string>

#include "tools/release_build/image_build/program_image.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: image_build <image file> [<update public key, 128 hexadecimal digits>]\n");
    return 2;
  }
  std::string error;
  const std::string_view key = argc == 3 ? std::string_view(argv[2]) : image::ConfiguredUpdatePublicKey();
  const std::optional<std::vector<uint8_t>> bytes = image::TessalyImageBytes(key, error);
  if (!bytes) {
    std::fprintf(stderr, "image_build: %s\n", error.c_str());
    return 1;
  }
  // Written beside the target first, so that a failed write leaves no half image.
  const std::string path = argv[1];
  const std::string partial = path + ".partial";
  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) {
    std::perror(partial.c_str());
    return 1;
  }
  const bool written = std::fwrite(bytes->data(), 1, bytes->size(), file) == bytes->size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "image_build: cannot write %s\n", partial.c_str());
    std::remove(partial.c_str());
    return 1;
  }
  std::remove(path.c_str());
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    std::perror(path.c_str());
    return 1;
  }
  return 0;
}
