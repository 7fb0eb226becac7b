#include "file_streams.h"

namespace ferlane {

// MinGW's file streams open by the wide path itself, so every name the user can
// type reaches the file system unconverted.

std::ifstream openInputFile(const std::wstring& path)
{
    return std::ifstream(path.c_str(), std::ios::in | std::ios::binary);
}

std::ofstream openOutputFile(const std::wstring& path)
{
    return std::ofstream(path.c_str(), std::ios::out | std::ios::binary | std::ios::trunc);
}

}  // namespace ferlane
