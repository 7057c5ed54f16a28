#include "publish/converter/PageThreads.h"

#include "publish/converter/yHtm.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

bool PageThreads::run(int count, const Setup &setup, const Work &work, const Progress &progress)
{
    if (count <= 0)
        return true;
    std::atomic<int> next{0}, done{0}, last{-1};
    std::atomic<bool> ok{true};
    std::mutex mutex;
    std::condition_variable finished;
    const int threads = qBound(1, QThread::idealThreadCount(), count);
    std::vector<std::thread> workers;
    workers.reserve(threads);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            yHtm converter;
            setup(converter);
            for (int i = next++; i < count; i = next++) {
                // After a failure the rest is not worth converting: the run is given up.
                if (ok.load() && !work(i, converter))
                    ok = false;
                last = i;
                if (++done == count) {
                    std::lock_guard<std::mutex> lock(mutex);
                    finished.notify_all();
                }
            }
        });
    }
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait_for(lock, std::chrono::milliseconds(40), [&] { return done.load() == count; });
        }
        const int d = done.load();
        progress(d, last.load());
        if (d == count)
            break;
    }
    for (std::thread &w : workers)
        w.join();
    return ok;
}
