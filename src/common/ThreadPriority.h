#pragma once
// The frame path's threads (stream producer and consumer, frame workers, the camera's
// delivery) run above the rest of the desktop, so that a burst of other work cannot
// hold them off for the few hundred milliseconds the frame queue covers. Linux keeps a
// nice value per thread: these threads ask for kFramePathNice, or for the lowest value
// RLIMIT_NICE allows an unprivileged process, and stay where they are when neither is
// allowed. Nothing real-time: the kernel still shares the processor fairly.
//
// Threads: each thread raises itself only.

namespace orva {

class ThreadPriority {
public:
    static constexpr int kFramePathNice = -10;

    // Lowers the calling thread's nice value towards kFramePathNice as far as it is
    // allowed; never raises it. Returns the thread's nice value afterwards.
    static int RaiseCurrentForFramePath();
    // The calling thread's nice value.
    static int CurrentNice();
};

}  // namespace orva
