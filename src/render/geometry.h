#pragma once

#include <array>
#include <cstdint>

namespace tsuzuri::render {

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle as the window system gives them: right and bottom exclusive.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  bool contains(std::int32_t x, std::int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

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
