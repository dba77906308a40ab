#include "tools/stopwatch.h"

#include <GL/gl.h>

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Stopwatch::Stopwatch() {
    glFinish();
    start_ = Clock::now();
}

double Stopwatch::lap() {
    glFinish();
    const Clock::time_point now = Clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - start_).count();
    start_ = now;
    return ms;
}
