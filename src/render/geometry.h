#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/window.h"

namespace tsuzuri::render {

// Sizes and rectangles in pixels are the window system's.
using Size = platform::PixelSize;
using Rect = platform::PixelRect;

// A 4 × 4 matrix in the row-vector convention of the sprite arithmetic
// (v' = v × M), stored row by row.
struct Matrix4 {
  std::array<float, 16> m{};

  float& at(int row, int column) { return m[static_cast<std::size_t>(row * 4 + column)]; }
  float at(int row, int column) const { return m[static_cast<std::size_t>(row * 4 + column)]; }

  static Matrix4 identity() {
    Matrix4 r;
    r.at(0, 0) = r.at(1, 1) = r.at(2, 2) = r.at(3, 3) = 1.0F;
    return r;
  }

  // Maps target pixel coordinates (x right, y down, pixel centres on
  // integers) of a width × height target to clip space.
  static Matrix4 pixelOrtho(std::int32_t width, std::int32_t height) {
    Matrix4 r = identity();
    r.at(0, 0) = 2.0F / static_cast<float>(width);
    r.at(1, 1) = -2.0F / static_cast<float>(height);
    r.at(3, 0) = -1.0F;
    r.at(3, 1) = 1.0F;
    return r;
  }

  friend Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        float sum = 0;
        for (int k = 0; k < 4; ++k) sum += a.at(i, k) * b.at(k, j);
        r.at(i, j) = sum;
      }
    }
    return r;
  }
};

}  // namespace tsuzuri::render
