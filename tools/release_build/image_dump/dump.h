// A readable account of a program image: header, libraries, declared
// functions, segments with their relocations, the named constants, the
// routine directory, the binding lists and the window definition, one line
// per unit. Texts are shown as UTF-8.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

namespace image_dump {

// Writes the account to `out`. False, with the reason in `error`, when the
// image or one of its parts cannot be read; the parts that could be read are
// written all the same.
bool DumpImage(std::span<const uint8_t> bytes, std::ostream& out, std::string& error);

}  // namespace image_dump
