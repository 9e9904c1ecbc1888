#include "assets/image_kernels.h"

#include <exception>
#include <thread>
#include <vector>

namespace tsuzuri::assets {

namespace {

ImageKernels& selection() {
  static ImageKernels kernels;
  return kernels;
}

}  // namespace

CpuFeatures detectCpuFeatures() {
  CpuFeatures features;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  features.mmx = __builtin_cpu_supports("mmx") != 0;
  features.sse = __builtin_cpu_supports("sse") != 0;
  features.sse2 = __builtin_cpu_supports("sse2") != 0;
#endif
  return features;
}

ImageKernels selectImageKernels(const ImageSettings& settings, CpuFeatures features,
                                std::int32_t processors) {
  ImageKernels kernels;
  if (settings.thread != 0) {
    if (processors <= 0)
      processors = static_cast<std::int32_t>(std::thread::hardware_concurrency());
    kernels.workers = processors > 0 ? processors : 1;
  }
#if defined(__x86_64__)
  // Our vector code is SSE2 throughout, so each row of the table (MMX, SSE)
  // also needs SSE2 on the processor; the setting that enables it is the
  // one of the row.
  if (features.sse2) {
    if (settings.mmx != 0 && features.mmx) {
      kernels.blendNormalRow = &blendNormalRowSse2;
      kernels.crossFadeRow = &crossFadeRowSse2;
    }
    if (settings.sse != 0 && features.sse) {
      kernels.bilinearRows = &bilinearRowsSse2;
      kernels.rotateBilinearRows = &rotateBilinearRowsSse2;
      kernels.bilinearBands = kernels.workers;
    }
    // The video conversion has a version per setting; ours is one.
    if ((settings.mmx != 0 && features.mmx) || (settings.sse != 0 && features.sse) ||
        settings.sse2 != 0) {
      kernels.videoRowPair = &convertVideoRowPairSse2;
    }
  }
#else
  (void)features;
#endif
  return kernels;
}

const ImageKernels& imageKernels() {
  return selection();
}

void setImageKernels(const ImageKernels& kernels) {
  selection() = kernels;
}

void runInBands(std::int32_t rows, std::int32_t bands,
                const std::function<void(std::int32_t, std::int32_t)>& band) {
  if (rows <= 0) return;
  if (bands <= 1) {
    band(0, rows);
    return;
  }
  const std::int32_t perBand = rows / bands;
  std::vector<std::thread> threads;
  try {
    threads.reserve(static_cast<std::size_t>(bands - 1));
  } catch (const std::exception&) {
    band(0, rows);
    return;
  }
  for (std::int32_t i = 0; i + 1 < bands && perBand > 0; ++i) {
    const std::int32_t first = i * perBand;
    try {
      threads.emplace_back(band, first, first + perBand);
    } catch (const std::exception&) {
      // No thread (or no memory for it): this band runs here afterwards.
      band(first, first + perBand);
    }
  }
  band((bands - 1) * perBand, rows);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace tsuzuri::assets
