// The files family. Names are GBK texts; a relative name is looked up in the
// process's current directory.
#pragma once

#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

// Opens a file for reading line by line; its file number, or 0 on failure.
int OpenFileForReading(std::string_view name);
// The next line without its line end (see LineReader).
Text ReadLine(int file);
bool AtEndOfFile(int file);
void CloseFile(int file);

// The whole file as a byte set; empty when it cannot be read.
ByteSet ReadWholeFile(std::string_view name);
// Replaces the file with these bytes; false when it cannot be written.
bool WriteWholeFile(std::string_view name, const ByteSet& bytes);

}  // namespace rt
