#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

// Milliseconds of `run`: the median of five rounds after an unmeasured one that warms the caches.
// The median of five timed runs, each after its untimed preparation.
inline double medianAfter(const std::function<void()>& prepare, const std::function<void()>& run)
{
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        run();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[2];
}

inline double median(const std::function<void()>& run)
{
    run();
    return medianAfter([] {}, run);
}
