// The list is guarded by its own lock; logging off runs on a copy, so that a session may
// leave the list while another one logs off.
#include "access/SessionList.h"

#include <algorithm>
#include <mutex>

#include "access/OracleSession.h"
#include "client/ClientLibrary.h"

namespace vek {
namespace {

std::mutex& ListMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<TOracleSession*>& List() {
  static std::vector<TOracleSession*> sessions;
  return sessions;
}

}  // namespace

void SessionList::Join(TOracleSession* session) {
  std::lock_guard<std::mutex> guard(ListMutex());
  SetSessionShutdownStep(&SessionList::LogOffAll);
  List().push_back(session);
}

void SessionList::Leave(TOracleSession* session) {
  std::lock_guard<std::mutex> guard(ListMutex());
  auto& list = List();
  list.erase(std::remove(list.begin(), list.end(), session), list.end());
}

std::vector<TOracleSession*> SessionList::Sessions() {
  std::lock_guard<std::mutex> guard(ListMutex());
  return List();
}

void SessionList::LogOffAll() {
  for (TOracleSession* session : Sessions()) {
    try {
      session->LogOff();
    } catch (...) {
      // At program end nobody is left to be told.
    }
  }
}

}  // namespace vek
