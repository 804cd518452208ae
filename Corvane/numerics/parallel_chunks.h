// Work shared out among threads in chunks claimed one at a time, so that a thread slowed by other
// work on its core takes fewer of them: the whole never takes much longer than one thread would.
#pragma once

#include <cstddef>
#include <functional>

namespace corvane {

// Runs body(first, last) over [0, count) in chunks of at most `chunk` elements on `threads`
// threads, the calling thread one of them; with one thread (or one chunk) the body runs here
// alone, once over the whole range. Each element is visited exactly once. An exception from the body is rethrown here after
// every thread has stopped.
void ForChunks(std::size_t count, std::size_t chunk, int threads,
               const std::function<void(std::size_t, std::size_t)>& body);

// Two threads from `minimum` elements on a machine with two processors or more, else one.
int ThreadsForWork(std::size_t count, std::size_t minimum);

}  // namespace corvane
