#include "scene/world_matrix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace tsuzuri::scene {

namespace {

// Rounding is half away from zero (std::round), so a sprite mirrored about
// the origin snaps to mirrored pixels.
float roundPixel(float v) {
  return std::round(v);
}

// The resolution-factor placement of one axis for a class 0 sprite: an
// offset already present (quake, scroll) keeps the sum unsnapped, and so does
// a running motion; a resting sprite snaps to whole target pixels.
float scaledAxis(float factor, float offset, float position, bool motionRunning) {
  if (offset != 0) return factor * (offset + position);
  if (motionRunning) return factor * position;
  return roundPixel(factor * position);
}

void placeInLayer(const OffsetInput& in, SpriteOffsets& out) {
  if (in.layerOwnPixelSpace) {
    if (in.factor == 1) {
      out.ox += in.x;
      out.oy += in.y;
      return;
    }
    switch (in.resolutionClass) {
      case 1:
        out.ox = (in.x + out.ox) * in.assetScale;
        out.oy = (in.y + out.oy) * in.assetScale;
        out.sx *= in.assetScale;
        out.sy *= in.assetScale;
        break;
      case 2:
        out.ox = (in.x + out.ox) * in.assetScale;
        out.oy = (in.y + out.oy) * in.assetScale;
        break;
      default:
        out.ox = scaledAxis(in.factor, out.ox, in.x, in.motionRunningX);
        out.oy = scaledAxis(in.factor, out.oy, in.y, in.motionRunningY);
        break;
    }
    return;
  }
  if (in.factor == 1 || in.resolutionClass == 1) {
    out.ox += in.x;
    out.oy += in.y;
  } else {
    out.ox += roundPixel(in.factor * in.x);
    out.oy += roundPixel(in.factor * in.y);
  }
}

// Scrolls one axis and zooms it around the screen centre; returns the scale
// multiplier of that axis.
float scrollAxis(float& offset, float position, float scroll, float zoom, float centre) {
  if (zoom == 100) {
    offset += scroll;
    return 1;
  }
  offset += scroll + (position - centre) * (zoom - 100) / 100;
  return zoom / 100;
}

void placeOnScreen(const OffsetInput& in, SpriteOffsets& out) {
  if ((in.flags & kFlagWindowLayerMask) != 0) {
    if (in.windowQuakeOn && (in.flags & kFlagNoWindowQuake) == 0) {
      out.ox += in.screenQuakeX;
      out.oy += in.screenQuakeY;
    }
  } else {
    if (in.screenQuakeOn && (in.flags & kFlagNoScreenQuake) == 0) {
      out.ox += in.screenQuakeX;
      out.oy += in.screenQuakeY;
    }
    if ((in.flags & kFlagNoScroll) == 0) {
      out.sx *= scrollAxis(out.ox, in.x, in.scrollX, in.zoomX, in.centreX);
      out.sy *= scrollAxis(out.oy, in.y, in.scrollY, in.zoomY, in.centreY);
    }
  }

  if (in.factor == 1) {
    out.ox += in.x;
    out.oy += in.y;
    return;
  }
  switch (in.resolutionClass) {
    case 1:
      out.ox = in.factor * (in.x + out.ox);
      out.oy = in.factor * (in.y + out.oy);
      out.sx *= in.factor;
      out.sy *= in.factor;
      break;
    case 2:
      out.ox = in.factor * (in.x + out.ox);
      out.oy = in.factor * (in.y + out.oy);
      out.sx *= in.displayRatio;
      out.sy *= in.displayRatio;
      break;
    default:
      out.ox = scaledAxis(in.factor, out.ox, in.x, in.motionRunningX);
      out.oy = scaledAxis(in.factor, out.oy, in.y, in.motionRunningY);
      break;
  }
}

// The camera and the plane sprites are placed on. Depth 0.7 is the
// normalised depth of that plane between the near and far planes.
constexpr float kEyeZ = -2.0F;
constexpr float kFieldOfView = 3.14159265F / 4.0F;
constexpr float kNear = 0.1F;
constexpr float kFar = 100.0F;
constexpr double kSpriteDepth = 0.7;
constexpr float kRadiansPerDegree = 0.01745329F;

struct Vec3 {
  float x, y, z;
};

Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 normalise(Vec3 v) {
  const float length = std::sqrt(dot(v, v));
  return {v.x / length, v.y / length, v.z / length};
}

render::Matrix4 lookAtLeftHanded(Vec3 eye, Vec3 target, Vec3 up) {
  const Vec3 zaxis = normalise({target.x - eye.x, target.y - eye.y, target.z - eye.z});
  const Vec3 xaxis = normalise(cross(up, zaxis));
  const Vec3 yaxis = cross(zaxis, xaxis);
  render::Matrix4 r;
  const Vec3 axes[3] = {xaxis, yaxis, zaxis};
  for (int c = 0; c < 3; ++c) {
    r.at(0, c) = axes[c].x;
    r.at(1, c) = axes[c].y;
    r.at(2, c) = axes[c].z;
    r.at(3, c) = -dot(axes[c], eye);
  }
  r.at(3, 3) = 1;
  return r;
}

render::Matrix4 perspectiveLeftHanded(float fieldOfView, float aspect, float nearZ, float farZ) {
  const float yScale = 1.0F / std::tan(fieldOfView / 2);
  render::Matrix4 r;
  r.at(0, 0) = yScale / aspect;
  r.at(1, 1) = yScale;
  r.at(2, 2) = farZ / (farZ - nearZ);
  r.at(2, 3) = 1;
  r.at(3, 2) = -nearZ * farZ / (farZ - nearZ);
  return r;
}

// Maps normalised device coordinates to target pixels, y down.
render::Matrix4 screenMapping(float halfWidth, float halfHeight) {
  render::Matrix4 r;
  r.at(0, 0) = halfWidth;
  r.at(1, 1) = -halfHeight;
  r.at(2, 2) = 1;
  r.at(3, 0) = halfWidth;
  r.at(3, 1) = halfHeight;
  r.at(3, 3) = 1;
  return r;
}

// The inverse is taken in double so that the projection's large depth terms
// do not eat the precision of the pixel-to-world mapping.
using Matrix4d = std::array<std::array<double, 4>, 4>;

Matrix4d widen(const render::Matrix4& m) {
  Matrix4d r{};
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::size_t j = 0; j < 4; ++j) r[i][j] = m.m[i * 4 + j];
  }
  return r;
}

Matrix4d multiply(const Matrix4d& a, const Matrix4d& b) {
  Matrix4d r{};
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::size_t j = 0; j < 4; ++j) {
      for (std::size_t k = 0; k < 4; ++k) r[i][j] += a[i][k] * b[k][j];
    }
  }
  return r;
}

// Gauss-Jordan elimination with partial pivoting. The matrices inverted here
// are invertible by construction; a singular one yields zeros.
Matrix4d inverse(Matrix4d a) {
  Matrix4d r{};
  for (std::size_t i = 0; i < 4; ++i) r[i][i] = 1;
  for (std::size_t col = 0; col < 4; ++col) {
    std::size_t pivot = col;
    for (std::size_t row = col + 1; row < 4; ++row) {
      if (std::abs(a[row][col]) > std::abs(a[pivot][col])) pivot = row;
    }
    if (a[pivot][col] == 0) return Matrix4d{};
    std::swap(a[pivot], a[col]);
    std::swap(r[pivot], r[col]);
    const double scale = 1.0 / a[col][col];
    for (std::size_t k = 0; k < 4; ++k) {
      a[col][k] *= scale;
      r[col][k] *= scale;
    }
    for (std::size_t row = 0; row < 4; ++row) {
      if (row == col || a[row][col] == 0) continue;
      const double f = a[row][col];
      for (std::size_t k = 0; k < 4; ++k) {
        a[row][k] -= f * a[col][k];
        r[row][k] -= f * r[col][k];
      }
    }
  }
  return r;
}

struct Point3d {
  double x, y, z;
};

// Transforms a point as a row vector with w = 1 and divides by the
// resulting w.
Point3d transformPoint(const Matrix4d& m, Point3d p) {
  double out[4];
  for (std::size_t c = 0; c < 4; ++c) {
    out[c] = p.x * m[0][c] + p.y * m[1][c] + p.z * m[2][c] + m[3][c];
  }
  return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

render::Matrix4 yawPitchRoll(float yaw, float pitch, float roll) {
  const float sy = std::sin(yaw);
  const float cy = std::cos(yaw);
  const float sp = std::sin(pitch);
  const float cp = std::cos(pitch);
  const float sr = std::sin(roll);
  const float cr = std::cos(roll);
  render::Matrix4 r;
  r.at(0, 0) = cr * cy + sp * sy * sr;
  r.at(0, 1) = sr * cp;
  r.at(0, 2) = sr * sp * cy - sy * cr;
  r.at(1, 0) = sp * sy * cr - cy * sr;
  r.at(1, 1) = cr * cp;
  r.at(1, 2) = sy * sr + cr * sp * cy;
  r.at(2, 0) = sy * cp;
  r.at(2, 1) = -sp;
  r.at(2, 2) = cy * cp;
  r.at(3, 3) = 1;
  return r;
}

}  // namespace

SpriteOffsets spriteOffsets(const OffsetInput& in) {
  SpriteOffsets out{0, 0, in.scaleX, in.scaleY};
  if (!in.quakeSuppressed) {
    out.ox = in.quakeX;
    out.oy = in.quakeY;
  }
  if (in.layer != 0) {
    placeInLayer(in, out);
  } else {
    placeOnScreen(in, out);
  }
  return out;
}

SpriteCamera spriteCamera(render::Size target) {
  // An empty target draws nothing; a 1 × 1 one keeps the mapping invertible.
  const float width = static_cast<float>(std::max(target.width, 1));
  const float height = static_cast<float>(std::max(target.height, 1));
  SpriteCamera camera;
  camera.target = target;
  camera.view = lookAtLeftHanded({0, 0, kEyeZ}, {0, 0, 0}, {0, 1, 0});
  camera.projection = perspectiveLeftHanded(kFieldOfView, width / height, kNear, kFar);
  const render::Matrix4 screen = screenMapping(width / 2, height / 2);
  // Target pixels with a depth back to world space.
  camera.unproject = multiply(multiply(inverse(widen(screen)), inverse(widen(camera.projection))),
                              inverse(widen(camera.view)));
  return camera;
}

SpriteMatrices buildSpriteMatrices(const SpriteOffsets& offsets, const SpriteRotation& rotation,
                                   render::Size tile, render::Size target) {
  return buildSpriteMatrices(offsets, rotation, tile, spriteCamera(target));
}

SpriteMatrices buildSpriteMatrices(const SpriteOffsets& offsets, const SpriteRotation& rotation,
                                   render::Size tile, const SpriteCamera& camera) {
  SpriteMatrices r;
  r.view = camera.view;
  r.projection = camera.projection;
  const Matrix4d& unproject = camera.unproject;

  r.world = yawPitchRoll(rotation.y * kRadiansPerDegree, rotation.x * kRadiansPerDegree,
                         rotation.z * kRadiansPerDegree);

  // The world size of the tile's pixels on the sprite plane; half of it per
  // local unit, y flipped because target pixels run down.
  const Point3d p0 = transformPoint(unproject, {0, 0, kSpriteDepth});
  const Point3d p1 = transformPoint(
      unproject, {static_cast<double>(tile.width), static_cast<double>(tile.height), kSpriteDepth});
  const float across = static_cast<float>((p1.x - p0.x) * 0.5) * offsets.sx;
  const float down = static_cast<float>((p1.y - p0.y) * -0.5) * offsets.sy;
  for (int c = 0; c < 3; ++c) {
    r.world.at(0, c) *= across;
    r.world.at(1, c) *= down;
  }

  // Pixel centres lie on integer coordinates, so a pixel's left and top
  // edges are half a pixel before its coordinate.
  const Point3d anchor = transformPoint(
      unproject,
      {static_cast<double>(offsets.ox) - 0.5, static_cast<double>(offsets.oy) - 0.5, kSpriteDepth});
  r.world.at(3, 0) = static_cast<float>(anchor.x);
  r.world.at(3, 1) = static_cast<float>(anchor.y);
  r.world.at(3, 2) = static_cast<float>(anchor.z);
  return r;
}

render::Matrix4 spriteTransform(const SpriteMatrices& matrices) {
  return matrices.world * matrices.view * matrices.projection;
}

render::Matrix4 spriteTransform(const SpriteOffsets& offsets, const SpriteRotation& rotation,
                                render::Size tile, render::Size target) {
  return spriteTransform(buildSpriteMatrices(offsets, rotation, tile, target));
}

}  // namespace tsuzuri::scene
