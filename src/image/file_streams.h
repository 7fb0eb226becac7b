#pragma once

// Opening files by their wide names, for the reader and the writer only: the rest
// of the tool reaches files through them. Each platform converts or passes the
// name in its own way, and the name is otherwise used exactly as given.

#include <fstream>
#include <string>

namespace ferlane {

// Opens for reading in binary mode; check is_open() for the outcome.
std::ifstream openInputFile(const std::wstring& path);

// Creates, or cuts to zero length, and opens for writing in binary mode; check is_open().
std::ofstream openOutputFile(const std::wstring& path);

}  // namespace ferlane
