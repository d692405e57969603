// What every session of one open database shares: the options it was opened with, the
// server's session directory and the database file. A throwaway (--memory) instance keeps
// its file in a private temporary folder that goes away with the last holder.
#pragma once

#include <string>

#include "devdb/sql/SqlEngine.h"

namespace devdb::sql {

class EngineShared {
 public:
  EngineShared(const EngineOptions& options, SessionDirectory& directory);
  ~EngineShared();
  EngineShared(const EngineShared&) = delete;
  EngineShared& operator=(const EngineShared&) = delete;

  const EngineOptions& Options() const { return options_; }
  SessionDirectory& Directory() const { return directory_; }
  const std::string& DatabasePath() const { return databasePath_; }
  const std::string& Banner() const { return banner_; }

 private:
  EngineOptions options_;
  SessionDirectory& directory_;
  std::string temporaryFolder_;  // set only for a throwaway instance
  std::string databasePath_;
  // The data folder's lock file, held for as long as this engine runs (-1 for none).
  int lockDescriptor_ = -1;
  std::string banner_;
};

}  // namespace devdb::sql
