#pragma once

#include <Eigen/Core>

#include <cstdint>

namespace ferlane {

// One colour channel, or one computed quantity per pixel. Element (row, column)
// counts rows from the top of the picture and columns from the left, whatever
// the row order of the file the values came from.
using Plane = Eigen::Matrix<std::int32_t, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Three planes of one size, always handled in the order red, green, blue.
struct RgbImage {
    Plane red;
    Plane green;
    Plane blue;

    Eigen::Index rows() const { return red.rows(); }
    Eigen::Index columns() const { return red.cols(); }

    // Sizes all three planes, as sizePlane does (plane_memory.h).
    void resize(Eigen::Index rows, Eigen::Index columns);
};

}  // namespace ferlane
