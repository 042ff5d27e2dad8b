// A bounded pool of threads for work on many independent items, such as files to read.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace tessaly {

// Runs work(i) for every i below count on jobs threads (at most count of them), each item once.
// Meanwhile the calling thread calls finished(items) with the items that ended since its last
// call, in the order they ended, whenever batch of them have ended or interval has passed, and
// once more at the end; it is never called with an empty list but at the end. work must not
// touch what another item touches; finished runs on the caller's thread only.
void run_work_pool(size_t count, unsigned jobs, const std::function<void(size_t)>& work,
                   const std::function<void(const std::vector<size_t>& items)>& finished,
                   size_t batch, std::chrono::milliseconds interval);

// The processors this process may run on: the default number of jobs.
unsigned available_processors();

} // namespace tessaly
