#pragma once
// Timing helpers for the benchmarks.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Milliseconds taken by one call.
double TimeMs(const std::function<void()>& work);
// The median of runs calls, in milliseconds.
double MedianMs(int runs, const std::function<void()>& work);
// One line "name: value unit" that scripts/bench collects.
void Report(const std::string& name, double value, const std::string& unit);
