#include "driver/battery_estimator.h"

#include <algorithm>
#include <array>

#include "signal/raw_conversion.h"

namespace zav {

namespace {

// Peak millivolts at which the level rises to 1, 2, 3, 4 and 5.
constexpr std::array<int32_t, 5> kThresholds = {3545, 3610, 3675, 3740, 3805};

// A device that reports no frequency still gets a period: one block.
int32_t periodOf(uint16_t frequency) { return std::max<int32_t>(frequency, 1); }

}  // namespace

BatteryEstimator::BatteryEstimator(uint16_t frequency, double scale)
    : firstPeriod_(periodOf(frequency)), nextPeriod_(periodOf(frequency)), scale_(scale) {}

void BatteryEstimator::feed(uint16_t raw) {
  if (raw == kChargingWord) {
    first_ = true;
    peak_ = 0.0;
    count_ = 0;
    level_ = kCharging;
    return;
  }
  peak_ = std::max(peak_, raw::toSigned16(raw) * scale_);
  count_ = (count_ + 1) % (first_ ? firstPeriod_ : nextPeriod_);
  if (count_ != 0 || !(peak_ > 0.0)) return;

  const auto above = std::find_if(kThresholds.begin(), kThresholds.end(),
                                  [this](int32_t threshold) { return threshold > peak_; });
  const auto level = static_cast<uint16_t>(above - kThresholds.begin());
  // Unknown and charging read negative as 16-bit numbers: the first period after them sets afresh.
  level_ = raw::toSigned16(level_) < 0 ? level : std::min(level_, level);
  first_ = false;
  peak_ = 0.0;
  count_ = 0;
}

namespace {

// One or more decimal digits at position i; i moves past them.
bool skipDigits(const std::string& text, std::size_t& i) {
  const std::size_t start = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  return i > start;
}

bool skipLiteral(const std::string& text, std::size_t& i, const char* literal) {
  for (; *literal != '\0'; ++literal, ++i) {
    if (i >= text.size() || text[i] != *literal) return false;
  }
  return true;
}

}  // namespace

// The whole identity must read HW<digits>.<digits>_FW<digits>.<digits>. Matched by hand:
// a regular expression engine may recurse once per character on a long device answer.
double batteryScale(const std::string& identity) {
  std::size_t i = 0;
  const bool standard = skipLiteral(identity, i, "HW") && skipDigits(identity, i) && skipLiteral(identity, i, ".") &&
                        skipDigits(identity, i) && skipLiteral(identity, i, "_FW") && skipDigits(identity, i) &&
                        skipLiteral(identity, i, ".") && skipDigits(identity, i) && i == identity.size();
  return standard ? 1.0 : 6.45;
}

}  // namespace zav
