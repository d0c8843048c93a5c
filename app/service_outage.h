#pragma once
// Whether the service is away, and when an automatic download may try again. A failure that
// says the service was not reached starts an outage; while it lasts, attempts come 1, 2, 4, ...
// minutes apart, at most an hour (the shortest download period) apart. Only images arriving
// end it.
#include <cstdint>

class ServiceOutage {
public:
    enum class Change { None, Began, Ended };

    // A download attempt failed at now (seconds); away: the failure means the service was not
    // reached. A failure of another kind during an outage still counts as one of its attempts.
    Change Failed(std::int64_t now, bool away);
    // Images arrived.
    Change Arrived();

    bool IsAway() const { return m_failures > 0; }
    // When the next attempt may start (seconds); meaningful while away.
    std::int64_t RetryAt() const { return m_retryAt; }
    // The wait after the given number of failures in a row, in seconds.
    static std::int64_t Delay(int failures);

private:
    int m_failures = 0;
    std::int64_t m_retryAt = 0;
};
