// Makes a synthetic two-background scene: the two backgrounds alone, and a subject
// with soft edges and a half-transparent veil composited over each of them as a
// camera would see it, I = a*F + (1 - a)*B rounded to 8 bits. Its true alpha is
// known, so the matte computed from the four pictures can be judged against it.
//
//   ferlane-scene DIRECTORY [WIDTH HEIGHT]
//
// writes bg0.bmp, bg1.bmp, image0.bmp and image1.bmp into DIRECTORY
// (320 x 240 pixels unless a size is given).

#include "image/bmp_writer.h"
#include "names/native_names.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {

using ferlane::Plane;
using ferlane::RgbImage;

struct Colour {
    double red, green, blue;
};

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Opacity of the subject at (x, y), both in 0..1 of the picture's width and height:
// a ball whose rim fades out over a soft band, and a veil of half opacity across it.
double subjectAlpha(double x, double y, double aspect)
{
    const double dx = (x - 0.45) * aspect;
    const double dy = y - 0.5;
    const double distance = std::sqrt(dx * dx + dy * dy);
    const double ball = 1.0 - smoothstep(0.26, 0.34, distance);
    const double veil = (x > 0.62 && x < 0.9 && y > 0.15 && y < 0.85)
                            ? 0.5 * smoothstep(0.62, 0.66, x) * (1.0 - smoothstep(0.86, 0.9, x))
                            : 0.0;
    return std::max(ball, veil);
}

Colour subjectColour(double x, double y)
{
    return {230.0 - 90.0 * y, 120.0 + 60.0 * x, 40.0 + 60.0 * y};
}

// Over most of the picture the two backgrounds differ strongly in every channel,
// as the photographer's advice asks. Towards the bottom edge background 1 fades
// into background 0, as a careless choice of backgrounds would: their difference
// shrinks with the cube of the distance left, so the calculation error (128 /
// difference) rises steadily over the lower part, and in the last rows the two
// are equal and alpha cannot be resolved at all. The error map shows all three.
Colour background(int which, double x, double y)
{
    const Colour green{30.0 + 40.0 * x, 170.0 + 40.0 * y, 50.0 + 20.0 * x};
    if (which == 0) {
        return green;
    }
    const Colour magenta{200.0 + 30.0 * y, 40.0 + 30.0 * x, 220.0 - 30.0 * y};
    const double left = 1.0 - std::clamp((y - 0.4) / (0.92 - 0.4), 0.0, 1.0);
    const double apart = left * left * left;
    return {green.red + apart * (magenta.red - green.red), green.green + apart * (magenta.green - green.green),
            green.blue + apart * (magenta.blue - green.blue)};
}

std::int32_t toByte(double v)
{
    return static_cast<std::int32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

void setPixel(RgbImage& image, Eigen::Index r, Eigen::Index c, const Colour& colour)
{
    image.red(r, c) = toByte(colour.red);
    image.green(r, c) = toByte(colour.green);
    image.blue(r, c) = toByte(colour.blue);
}

bool parseSize(const char* text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value > 0 && value <= 100000;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    long width = 320;
    long height = 240;
    if (argc != 2 && argc != 4) {
        std::cerr << "usage: ferlane-scene DIRECTORY [WIDTH HEIGHT]\n";
        return 2;
    }
    if (argc == 4 && (!parseSize(argv[2], width) || !parseSize(argv[3], height))) {
        std::cerr << "ferlane-scene: WIDTH and HEIGHT must be whole numbers from 1 to 100000\n";
        return 2;
    }
    const std::string directory = argv[1];

    RgbImage backgrounds[2];
    RgbImage images[2];
    for (int n = 0; n < 2; ++n) {
        backgrounds[n].resize(height, width);
        images[n].resize(height, width);
    }
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    for (Eigen::Index r = 0; r < height; ++r) {
        for (Eigen::Index c = 0; c < width; ++c) {
            const double x = (static_cast<double>(c) + 0.5) / static_cast<double>(width);
            const double y = (static_cast<double>(r) + 0.5) / static_cast<double>(height);
            const double alpha = subjectAlpha(x, y, aspect);
            const Colour f = subjectColour(x, y);
            for (int n = 0; n < 2; ++n) {
                const Colour b = background(n, x, y);
                setPixel(backgrounds[n], r, c, b);
                setPixel(images[n], r, c,
                         {alpha * f.red + (1.0 - alpha) * b.red, alpha * f.green + (1.0 - alpha) * b.green,
                          alpha * f.blue + (1.0 - alpha) * b.blue});
            }
        }
    }

    try {
        for (int n = 0; n < 2; ++n) {
            const std::string suffix = std::to_string(n) + ".bmp";
            const std::string bg = directory + "/bg" + suffix;
            const std::string image = directory + "/image" + suffix;
            ferlane::writeBmpFile(ferlane::wideFromNative(bg), backgrounds[n]);
            ferlane::writeBmpFile(ferlane::wideFromNative(image), images[n]);
        }
    } catch (const std::exception&) {
        std::cerr << "ferlane-scene: cannot write the pictures into " << directory << "\n";
        return 1;
    }
    std::cout << "wrote a " << width << " x " << height << " scene into " << directory << "\n";
    return 0;
}
