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

    // Sizes all three planes, as sizePlane does.
    void resize(Eigen::Index rows, Eigen::Index columns);
};

// Resizes the plane to rows x columns (what it held is not kept) and prepares its
// memory for being written in full (plane_memory.h). Every plane is sized so.
// Throws std::bad_alloc as the resize does.
void sizePlane(Plane& plane, Eigen::Index rows, Eigen::Index columns);

}  // namespace ferlane
