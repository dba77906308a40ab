#pragma once
// The process's resident memory, in kilobytes, for telling a steady working set from one that
// grows with the camera path.

// Peak resident memory so far (getrusage's maximum resident set size).
long peakResidentKilobytes();

// Resident memory now, from /proc/self/statm (0 where that is unavailable).
long residentKilobytes();

struct MemoryMarks {
    long peakFirst = 0, peakLast = 0;          // peak resident after the first and the last view
    long residentFirst = 0, residentLast = 0;  // resident at those moments
};
