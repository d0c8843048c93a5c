#include "bench_support.h"

double TimeMs(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(TimeMs(work));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const std::string& name, double value, const std::string& unit) {
    std::printf("%s: %.1f %s\n", name.c_str(), value, unit.c_str());
    std::fflush(stdout);
}
