// Locating (or creating) the database file of a data folder.
#include "devdb/sql/EngineShared.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {

EngineShared::EngineShared(const EngineOptions& options, SessionDirectory& directory)
    : options_(options), directory_(directory) {
  std::filesystem::path folder;
  if (options.dataFolder.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "devdb-memory-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw OracleErrors::Make(600, {"cannot create a temporary folder"});
    temporaryFolder_ = pattern;
    folder = pattern;
  } else {
    folder = options.dataFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw OracleErrors::Make(600, {"cannot create " + folder.string() + ": " + error.message()});
  }
  databasePath_ = (folder / "devdb.sqlite").string();
  banner_ = options.banner.empty()
                ? "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production"
                : options.banner;
}

EngineShared::~EngineShared() {
  if (!temporaryFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder_, ignored);
  }
}

}  // namespace devdb::sql
