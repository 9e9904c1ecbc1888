#pragma once

// The inner loops of the image library that have processor-specific
// versions, and the process-wide choice between them.
//
// The choice is made once at start-up (the `screen` command) from the
// settings and the processor's features and stored with setImageKernels()
// before any loader or worker thread starts; afterwards it is only read, so
// it takes no lock. Until then every loop is the portable one.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "assets/image_buffer.h"
#include "assets/image_ops_filters.h"
#include "assets/image_settings.h"
#include "assets/image_tables.h"

namespace tsuzuri::assets {

// One sampling position of a bilinear resize along an axis: the two
// neighbours and the weight of the second in 1/2^18 (2^18 when the last
// pixel is taken whole).
struct BilinearTap {
  std::int32_t first;
  std::int32_t second;
  std::int32_t fraction;
};

// The source position of destination pixel (0, 0) of a general rotation and
// its steps along a row and down a column, all in 1/2^18 of a source pixel.
struct RotationSteps {
  std::int64_t x;
  std::int64_t y;
  std::int64_t sine;
  std::int64_t cosine;
};

// Blend mode 1 of `count` pixels of a source row over a destination row
// (opacity 0..256, 256 and above opaque); the rows do not overlap.
using BlendNormalRow = void (*)(const std::uint8_t* source, std::uint8_t* destination,
                                std::int32_t count, std::int32_t opacity,
                                const ImageTables& tables);

// The cross-fade of `count` pixels with `weight` 0..256 the share of `to`;
// `out` may be `from` or `to`.
using CrossFadeRow = void (*)(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                              std::size_t count, std::int32_t weight, const ImageTables& tables);

// Rows [firstRow, endRow) of a bilinear resize of `source` into `target`,
// with one tap per destination column and per destination row.
using BilinearRows = void (*)(const ImageBuffer& source, ImageBuffer& target,
                              const BilinearTap* columns, const BilinearTap* rows,
                              std::int32_t firstRow, std::int32_t endRow);

// Rows [firstRow, endRow) of a bilinear general rotation.
using RotateBilinearRows = void (*)(const ImageBuffer& source, ImageBuffer& target,
                                    const RotationSteps& steps, std::int32_t firstRow,
                                    std::int32_t endRow);

// The portable versions (image_ops_blend.cpp, image_ops_geometry.cpp).
void blendNormalRow(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                    std::int32_t opacity, const ImageTables& tables);
void crossFadeRow(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                  std::size_t count, std::int32_t weight, const ImageTables& tables);
void bilinearRows(const ImageBuffer& source, ImageBuffer& target, const BilinearTap* columns,
                  const BilinearTap* rows, std::int32_t firstRow, std::int32_t endRow);
void rotateBilinearRows(const ImageBuffer& source, ImageBuffer& target, const RotationSteps& steps,
                        std::int32_t firstRow, std::int32_t endRow);

#if defined(__x86_64__)
// The SSE2 versions (image_kernels_sse2.cpp). Blending and cross-fading
// give the portable results exactly; the bilinear resize weighs with the
// upper 16 bits of the 18-bit fractions (same neighbours), and so does the
// bilinear rotation, so a channel may differ from the portable one by one
// step.
void blendNormalRowSse2(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count,
                        std::int32_t opacity, const ImageTables& tables);
void crossFadeRowSse2(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                      std::size_t count, std::int32_t weight, const ImageTables& tables);
void bilinearRowsSse2(const ImageBuffer& source, ImageBuffer& target, const BilinearTap* columns,
                      const BilinearTap* rows, std::int32_t firstRow, std::int32_t endRow);
void rotateBilinearRowsSse2(const ImageBuffer& source, ImageBuffer& target,
                            const RotationSteps& steps, std::int32_t firstRow, std::int32_t endRow);
// The video row pair in exact 32-bit products: the portable result.
void convertVideoRowPairSse2(const std::uint8_t* luma, const std::uint8_t* lumaBelow,
                             const std::uint8_t* blueChroma, const std::uint8_t* redChroma,
                             std::uint8_t* out, std::uint8_t* outBelow, std::int32_t width);
#endif

struct ImageKernels {
  BlendNormalRow blendNormalRow = &assets::blendNormalRow;
  CrossFadeRow crossFadeRow = &assets::crossFadeRow;
  BilinearRows bilinearRows = &assets::bilinearRows;
  RotateBilinearRows rotateBilinearRows = &assets::rotateBilinearRows;
  VideoRowPairConverter videoRowPair = &convertVideoRowPair;
  // The worker count: the number of usable processors, 0 when threads are
  // off in the settings.
  std::int32_t workers = 0;
  // The bands the bilinear resize and rotation split their rows into; 0 or 1
  // computes them on the calling thread alone.
  std::int32_t bilinearBands = 0;
};

// What the processor offers (CPUID leaf 1, EDX bits 23, 25 and 26 on x86).
struct CpuFeatures {
  bool mmx = false;
  bool sse = false;
  bool sse2 = false;
};

// The running processor's features; all false on other architectures.
CpuFeatures detectCpuFeatures();

// The kernels for `settings` on a processor with `features`. `processors`
// is the number of usable processors (0: ask the system).
ImageKernels selectImageKernels(const ImageSettings& settings, CpuFeatures features,
                                std::int32_t processors = 0);

// The process-wide selection; see the note at the top of this file.
const ImageKernels& imageKernels();
void setImageKernels(const ImageKernels& kernels);

// Runs `band(firstRow, endRow)` over `rows` rows split into `bands` bands of
// ⌊rows / bands⌋ rows (the last band takes the rest): bands − 1 threads and
// the calling thread, all joined before returning. A band whose thread
// cannot be started runs on the calling thread. bands ≤ 1: one call.
void runInBands(std::int32_t rows, std::int32_t bands,
                const std::function<void(std::int32_t, std::int32_t)>& band);

}  // namespace tsuzuri::assets
