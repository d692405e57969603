// One thread for the whole server that looks at the busy sessions a few times a second, so
// that calls themselves pay nothing for the watch. A hang-up shows as POLLRDHUP
// (the client closed its end) or POLLHUP/POLLERR (the connection was reset); data the client
// sends meanwhile is not asked for and stays unread for the connection's own thread.
#include "devdb/server/CallWatcher.h"

#include <poll.h>

#include <set>
#include <vector>

#include "devdb/server/ServerTexts.h"

namespace devdb::server {
namespace {

constexpr int kWatchIntervalMilliseconds = 200;

}  // namespace

CallWatcher::CallWatcher(SessionRegistry& registry) : registry_(registry) {
  thread_ = std::thread([this] { Run(); });
}

CallWatcher::~CallWatcher() {
  stopping_ = true;
  stop_.Signal();
  thread_.join();
}

void CallWatcher::Run() {
  // Sessions already interrupted are left out until their call ends, so that a hang-up
  // that keeps being reported does not turn the watch into a busy loop.
  std::set<std::shared_ptr<SessionEntry>> interrupted;
  while (!stopping_) {
    std::vector<std::shared_ptr<SessionEntry>> busy = registry_.BusySessions();
    std::set<std::shared_ptr<SessionEntry>> stillInterrupted;
    std::vector<pollfd> descriptors{{stop_.Descriptor(), POLLIN, 0}};
    std::vector<std::shared_ptr<SessionEntry>> watched;
    for (const auto& entry : busy) {
      entry->RepeatPendingInterrupt();
      if (interrupted.count(entry) != 0) {
        stillInterrupted.insert(entry);
        continue;
      }
      descriptors.push_back({entry->SocketDescriptor(), POLLRDHUP, 0});
      watched.push_back(entry);
    }
    interrupted = std::move(stillInterrupted);
    if (::poll(descriptors.data(), descriptors.size(), kWatchIntervalMilliseconds) <= 0) continue;
    for (std::size_t i = 0; i < watched.size(); ++i) {
      if ((descriptors[i + 1].revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0) continue;
      watched[i]->Interrupt(texts::kLostContactCode);
      interrupted.insert(watched[i]);
    }
  }
}

}  // namespace devdb::server
