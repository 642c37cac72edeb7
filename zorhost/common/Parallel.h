// Work shared among threads, each result the same whatever their number: the work is cut into
// pieces that do not depend on one another, handed out in turn to whichever thread asks next.
#pragma once

#include <cstddef>
#include <functional>

// The threads to use when `asked` are asked for: that many, or one a core for 0.
int ZORThreadCount(int asked);

// Runs `work(worker, first, last)` over [0, count) in pieces of `piece`, on `threads` threads, the
// calling one among them as worker 0 (so that it alone may report progress); `worker` is from 0 to
// threads - 1, for what each thread keeps of its own. An exception in any piece is thrown again
// here, after every thread has stopped.
void ZORInParallel(std::size_t count, std::size_t piece, int threads,
                   const std::function<void(int worker, std::size_t first, std::size_t last)>& work);
