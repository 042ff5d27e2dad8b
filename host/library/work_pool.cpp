#include "library/work_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tessaly {

void run_work_pool(size_t count, unsigned jobs, const std::function<void(size_t)>& work,
                   const std::function<void(const std::vector<size_t>& items)>& finished,
                   size_t batch, std::chrono::milliseconds interval) {
  std::atomic<size_t> next{0};
  std::mutex lock;
  std::condition_variable woken;
  std::vector<size_t> ended;
  size_t running = std::clamp<size_t>(jobs, 1, std::max<size_t>(count, 1));
  size_t stopped = 0;
  auto worker = [&] {
    for (size_t item; (item = next.fetch_add(1)) < count;) {
      work(item);
      std::lock_guard<std::mutex> held(lock);
      ended.push_back(item);
      if (ended.size() >= batch)
        woken.notify_one();
    }
    std::lock_guard<std::mutex> held(lock);
    ++stopped;
    woken.notify_one();
  };
  std::vector<std::thread> threads;
  threads.reserve(running);
  for (size_t i = 0; i < running; ++i)
    threads.emplace_back(worker);
  std::vector<size_t> taken;
  for (bool all_stopped = false; !all_stopped;) {
    {
      std::unique_lock<std::mutex> held(lock);
      woken.wait_for(held, interval, [&] { return ended.size() >= batch || stopped == running; });
      all_stopped = stopped == running;
      taken.swap(ended);
    }
    if (!taken.empty() || all_stopped)
      finished(taken);
    taken.clear();
  }
  for (std::thread& thread : threads)
    thread.join();
}

} // namespace tessaly
