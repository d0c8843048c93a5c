#include "app/service_outage.h"

#include <algorithm>

std::int64_t ServiceOutage::Delay(int failures) {
    constexpr std::int64_t kFirst = 60, kLongest = 3600;
    if (failures <= 0) return 0;
    if (failures > 7) return kLongest;  // 60 << 6 is past the hour already
    return std::min(kFirst << (failures - 1), kLongest);
}

ServiceOutage::Change ServiceOutage::Failed(std::int64_t now, bool away) {
    if (!away && !IsAway()) return Change::None;
    const bool began = !IsAway();
    ++m_failures;
    m_retryAt = now + Delay(m_failures);
    return began ? Change::Began : Change::None;
}

ServiceOutage::Change ServiceOutage::Arrived() {
    const bool ended = IsAway();
    m_failures = 0;
    m_retryAt = 0;
    return ended ? Change::Ended : Change::None;
}
