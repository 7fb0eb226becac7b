// The I/O floor of a run: reads the four photographs of a scene and writes three
// pictures of the same size, one read or write call per row exactly as the tool
// does, with no arithmetic and no planes. Nothing the tool does can be faster.
//
//   ferlane-io-floor DIRECTORY

#include "image/bmp_layout.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Size {
    std::uint64_t columns = 0;
    std::uint64_t rows = 0;
};

Size readRows(const std::string& path, std::vector<char>& row)
{
    std::ifstream input(path, std::ios::binary);
    unsigned char headers[ferlane::bmp::kHeadersSize] = {};
    input.read(reinterpret_cast<char*>(headers), sizeof headers);
    if (!input) {
        std::cerr << "ferlane-io-floor: cannot read " << path << "\n";
        std::exit(1);
    }
    const std::int32_t width = ferlane::bmp::loadI32(&headers[ferlane::bmp::kWidthAt]);
    const std::int32_t height = ferlane::bmp::loadI32(&headers[ferlane::bmp::kHeightAt]);
    const std::uint16_t bits = ferlane::bmp::loadU16(&headers[ferlane::bmp::kBitsPerPixelAt]);
    Size size{static_cast<std::uint64_t>(width),
              static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height)};
    const std::uint64_t length =
        bits == 32 ? ferlane::bmp::rowLength32(size.columns) : ferlane::bmp::rowLength24(size.columns);
    input.seekg(ferlane::bmp::loadU32(&headers[ferlane::bmp::kPixelOffsetAt]));
    row.resize(length);
    for (std::uint64_t r = 0; r < size.rows; ++r) {
        input.read(row.data(), static_cast<std::streamsize>(length));
    }
    return size;
}

void writeRows(const std::string& path, const Size& size, const std::vector<char>& headerSource)
{
    const std::uint64_t length = ferlane::bmp::rowLength24(size.columns);
    std::vector<char> row(length);
    std::ofstream output(path, std::ios::binary | std::ios::trunc);
    output.write(headerSource.data(), static_cast<std::streamsize>(ferlane::bmp::kHeadersSize));
    for (std::uint64_t r = 0; r < size.rows; ++r) {
        output.write(row.data(), static_cast<std::streamsize>(length));
    }
    output.flush();
    if (!output) {
        std::cerr << "ferlane-io-floor: cannot write " << path << "\n";
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: ferlane-io-floor DIRECTORY\n";
        return 2;
    }
    const std::string directory = argv[1];
    std::vector<char> row;
    Size size;
    for (const char* name : {"bg0.bmp", "image0.bmp", "bg1.bmp", "image1.bmp"}) {
        size = readRows(directory + "/" + name, row);
    }
    const std::vector<char> header(ferlane::bmp::kHeadersSize, 0);
    for (const char* name : {"floor-alpha.bmp", "floor-error.bmp", "floor-fg.bmp"}) {
        writeRows(directory + "/" + name, size, header);
    }
    return 0;
}
