#include "render/pacer.h"

#include <numeric>

namespace tsuzuri::render {

void Pacer::setRate(std::int32_t framesPerSecond) {
  if (framesPerSecond <= 0) framesPerSecond = 0;
  // The renderer sets the rate every time it reads the settings; the carry
  // of an unchanged rate must survive that.
  if (framesPerSecond == rate_) return;
  rate_ = framesPerSecond;
  // A carry counts in units of the old rate and means nothing at the new one.
  carry_ = 0;
  if (rate_ == 0) {
    period_ = 0;
    step_ = 0;
    return;
  }
  const std::int32_t divisor = std::gcd(1000, rate_);
  period_ = 1000 / divisor;
  step_ = rate_ / divisor;
}

// The elapsed time is at most 2^32 - 1 ms and the step at most 2^31 - 1, so
// the product stays below 2^63 - 2^32 and adding a carry of at most P cannot
// overflow.
bool Pacer::mustWait(std::uint32_t now) const {
  if (rate_ == 0) return false;
  const std::uint32_t elapsed = now - last_;
  return std::int64_t{elapsed} * step_ + carry_ < period_;
}

void Pacer::frameShown(std::uint32_t now) {
  if (rate_ != 0) {
    const std::uint32_t elapsed = now - last_;
    carry_ += std::int64_t{elapsed} * step_ - period_;
    // A frame far behind its time (after loading, or a paused window) must
    // not be followed by a burst of frames catching up.
    if (carry_ > period_) carry_ = 0;
  }
  last_ = now;
}

void Pacer::reset(std::uint32_t now) {
  last_ = now;
  // A carry of a whole period makes the next frame due at once; once that
  // frame is shown the carry holds just the time it took.
  carry_ = period_;
}

}  // namespace tsuzuri::render
