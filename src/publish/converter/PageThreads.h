#pragma once

#include <functional>

class yHtm;

// Converts the pages of a publishing run on all cores. Each thread has a converter of its own over the
// same settings, since a converter keeps its state per instance. Meanwhile the calling thread (the
// user-interface thread) is called back about every 40 ms, so that the wait window stays painted and
// shows how far the run is. Once a page's work has failed no further page is converted.
class PageThreads
{
public:
    using Setup = std::function<void(yHtm &)>;
    using Work = std::function<bool(int index, yHtm &)>;
    // `last` is the index of the page finished last, -1 before the first.
    using Progress = std::function<void(int done, int last)>;

    // False when the work of a page failed.
    static bool run(int count, const Setup &setup, const Work &work, const Progress &progress);
};
