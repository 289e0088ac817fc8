#pragma once
// The engines that run work in child processes sign up here, so that quitting
// can stop what runs as the user's Cancel would, and wait until it has ended and
// its child processes are gone, before the application object goes.
#include <chrono>
#include <functional>

namespace platform {

// Signs an engine up for its lifetime. `busy` says whether a job of it still
// runs (or has not yet cleaned up); `stop` is its Cancel. Both are called on the
// main thread, under the registry's lock, so neither may sign anything up.
class JobOwnerRegistration {
 public:
  JobOwnerRegistration(std::function<bool()> busy, std::function<void()> stop);
  ~JobOwnerRegistration();
  JobOwnerRegistration(const JobOwnerRegistration&) = delete;
  JobOwnerRegistration& operator=(const JobOwnerRegistration&) = delete;

 private:
  int id_;
};

// On the main thread: stops every busy job once, then serves the main queue
// until no job is busy and the global queue is idle. A job started meanwhile is
// stopped too. Children still running `bound` after the stop are sent SIGTERM,
// and SIGKILL a `grace` later; after one more grace the wait gives up, so a quit
// always ends.
void endRunningJobs(std::chrono::milliseconds bound = std::chrono::seconds(5),
                    std::chrono::milliseconds grace = std::chrono::seconds(2));

}  // namespace platform
