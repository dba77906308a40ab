#pragma once
// Wall-clock timing of rendering work. Times are in milliseconds on the steady clock.
//
// The renderer works asynchronously, so a Stopwatch calls glFinish at its start and at every lap:
// an interval covers the work the renderer did for it and nothing queued earlier. Stopwatch needs
// a current OpenGL context; millisecondsSince does not.

#include <chrono>

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start);

// Milliseconds from now until the renderer has finished everything issued so far.
class Stopwatch {
public:
    Stopwatch();
    // Time since the start or the previous lap, after a glFinish.
    double lap();

private:
    Clock::time_point start_;
};
