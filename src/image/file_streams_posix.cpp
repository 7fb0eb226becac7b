#include "file_streams.h"

#include "names/native_names.h"

namespace ferlane {

std::ifstream openInputFile(const std::wstring& path)
{
    return std::ifstream(nativeFromWide(path), std::ios::in | std::ios::binary);
}

std::ofstream openOutputFile(const std::wstring& path)
{
    return std::ofstream(nativeFromWide(path), std::ios::out | std::ios::binary | std::ios::trunc);
}

}  // namespace ferlane
