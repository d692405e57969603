// Locating (or creating) the database file of a data folder.
#include "devdb/sql/EngineShared.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <filesystem>
#include <system_error>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {

EngineShared::EngineShared(const EngineOptions& options, SessionDirectory& directory)
    : options_(options), directory_(directory) {
  std::filesystem::path folder;
  if (options.dataFolder.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "devdb-memory-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
      throw OracleErrors::Make(texts::kInternalError, {"cannot create a temporary folder"});
    temporaryFolder_ = pattern;
    folder = pattern;
  } else {
    folder = options.dataFolder;
    std::error_code error;
    const bool existed = std::filesystem::exists(folder, error);
    std::filesystem::create_directories(folder, error);
    if (error)
      throw OracleErrors::Make(texts::kInternalError,
                               {"cannot create " + folder.string() + ": " + error.message()});
    // The data holds password hashes: a folder devdb makes is its owner's alone.
    if (!existed)
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
    // One server per data folder: two would each believe they alone hand out SIDs and
    // hold the sessions' locks.
    const std::string lockPath = (folder / "devdb.lock").string();
    lockDescriptor_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockDescriptor_ < 0)
      throw std::runtime_error("cannot open " + lockPath + ": " + std::strerror(errno));
    if (::flock(lockDescriptor_, LOCK_EX | LOCK_NB) != 0) {
      const int reason = errno;
      ::close(lockDescriptor_);
      if (reason == EWOULDBLOCK)
        throw std::runtime_error("the data folder " + folder.string() +
                                 " is in use by another devdb (it holds " + lockPath + ")");
      throw std::runtime_error("cannot lock " + lockPath + ": " + std::strerror(reason));
    }
  }
  databasePath_ = (folder / "devdb.sqlite").string();
  // Created readable by its owner only; SQLite gives its WAL and shared-memory files the
  // same permissions.
  const int file = ::open(databasePath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (file >= 0) ::close(file);
  banner_ = options.banner.empty()
                ? "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production"
                : options.banner;
}

EngineShared::~EngineShared() {
  if (lockDescriptor_ >= 0) ::close(lockDescriptor_);
  if (!temporaryFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder_, ignored);
  }
}

}  // namespace devdb::sql
