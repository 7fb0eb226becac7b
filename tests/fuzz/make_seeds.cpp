// Writes the seed corpora for the fuzz targets: every BMP variant the reader's
// tests use, the hostile headers the reader must refuse, and INI files exercising
// each rule of the configuration format.
//
//   make-fuzz-seeds BMP_DIRECTORY INI_DIRECTORY

#include "support/bmp_bytes.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

namespace {

using ferlane::support::BmpFile;
using ferlane::support::put16;
using ferlane::support::put32;
using ferlane::support::sizedBmp;

std::vector<std::string> bmpSeeds()
{
    std::vector<std::string> seeds;
    for (std::uint16_t bits : {24, 32}) {
        for (std::int32_t width = 0; width <= 5; ++width) {
            seeds.push_back(sizedBmp(width, 3, bits).bytes());
            seeds.push_back(sizedBmp(width, -3, bits).bytes());
        }
    }
    for (std::uint32_t infoSize : {12u, 40u, 108u, 124u}) {
        BmpFile file = sizedBmp(3, 2);
        file.infoHeaderSize = infoSize;
        file.betweenHeadersAndPixels = std::string(infoSize > 40 ? infoSize - 40 : 0, '\0');
        seeds.push_back(file.bytes());
    }
    BmpFile palette = sizedBmp(2, 2);
    palette.betweenHeadersAndPixels = std::string(1024, '\x7F');
    seeds.push_back(palette.bytes());
    BmpFile bitfields = sizedBmp(2, 2, 32);
    bitfields.compression = 3;
    bitfields.betweenHeadersAndPixels = std::string("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 12);
    seeds.push_back(bitfields.bytes());
    BmpFile inside = sizedBmp(1, 1, 32);
    inside.pixelOffset = 0;
    seeds.push_back(inside.bytes());

    struct Hostile {
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t offset;
    };
    for (const Hostile& h :
         {Hostile{3000000, 2000000, 24, 54}, Hostile{-5, 2, 24, 54},
          Hostile{2, std::numeric_limits<std::int32_t>::min(), 24, 54}, Hostile{0x40000000, 1, 32, 54},
          Hostile{0x55555555, 1, 24, 54}, Hostile{1, 1, 24, 0xFFFFFFF0u}, Hostile{0, 2000000000, 24, 54},
          Hostile{2000000000, 0, 24, 54}, Hostile{2, 2, 8, 54}}) {
        std::string bytes = sizedBmp(0, 0, h.bits).bytes();
        put32(bytes, 18, static_cast<std::uint32_t>(h.width));
        put32(bytes, 22, static_cast<std::uint32_t>(h.height));
        put32(bytes, 10, h.offset);
        seeds.push_back(bytes + "\1\2\3\4\5\6");
    }
    const std::string whole = sizedBmp(4, 4).bytes();
    for (std::size_t length : {0, 2, 14, 28, 53}) {
        seeds.push_back(whole.substr(0, length));
    }
    seeds.push_back(whole.substr(0, whole.size() - 7));
    return seeds;
}

std::vector<std::string> iniSeeds()
{
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[Ferlane]\r\nAlpha=a.bmp\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    return {"[Ferlane]\nAlpha=a.bmp\n",
            "\xEF\xBB\xBF[ferlane]\r\n  alpha \t=\t \"quoted name.bmp\" \r\n",
            "[Other]\nAlpha=o\n[Ferlane]\nError=e.bmp ; note\nAlpha='x'\n[Ferlane]\nAlpha=y\n",
            "[Ferlane]\n;Alpha=c\n#Alpha=d\nAlpha\nAlpha=b=c\nForeground=\n",
            "[Ferlane\nAlpha=\xE9\xC3\x28.bmp\nBackground0=" + std::string(300, 'n') + "\n",
            utf16};
}

bool writeAll(const std::string& directory, const std::string& prefix, const std::vector<std::string>& seeds)
{
    for (std::size_t n = 0; n < seeds.size(); ++n) {
        std::ofstream out(directory + "/" + prefix + std::to_string(n), std::ios::binary);
        out.write(seeds[n].data(), static_cast<std::streamsize>(seeds[n].size()));
        if (!out) {
            std::cerr << "make-fuzz-seeds: cannot write into " << directory << "\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make-fuzz-seeds BMP_DIRECTORY INI_DIRECTORY\n";
        return 2;
    }
    return writeAll(argv[1], "bmp-seed-", bmpSeeds()) && writeAll(argv[2], "ini-seed-", iniSeeds()) ? 0 : 1;
}
