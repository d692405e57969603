// The stored PL/SQL code of the database: packages, package bodies, procedures and functions
// with their source and parsed form, EXECUTE grants and public synonyms. Kept in memory for
// the sessions and written through to tables of the database so that it survives a restart.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "devdb/plsql/SyntaxTree.h"
#include "devdb/sql/SqlEngine.h"

namespace devdb::plsql {

struct StoredObject {
  std::string owner;
  std::string name;
  Unit::Kind kind = Unit::Kind::Procedure;
  std::string source;                // the text after CREATE [OR REPLACE]
  std::shared_ptr<const Unit> unit;  // null when the source has compilation errors
  std::string errors;                // the compile error text, empty when valid
  std::uint64_t version = 0;
};

class StoredCodeCatalogue {
 public:
  using SessionOpener = std::function<std::unique_ptr<sql::Session>()>;

  explicit StoredCodeCatalogue(SessionOpener openSystemSession);

  // Creates the catalogue tables when missing and reads what they hold.
  void Load();

  std::shared_ptr<const StoredObject> Find(const std::string& owner, const std::string& name,
                                           Unit::Kind kind) const;
  // A package, procedure or function of that name (the body is found through Find).
  std::shared_ptr<const StoredObject> FindCallable(const std::string& owner,
                                                   const std::string& name) const;
  // Stores the object (a replacement gets a new version); throws SqlError 955 when the name
  // is taken by an object of another kind.
  void Store(StoredObject object, bool replace);
  // False when there was nothing to drop. Dropping a package drops its body.
  bool Drop(const std::string& owner, const std::string& name, Unit::Kind kind);

  void Grant(const std::string& owner, const std::string& name, const std::string& grantee);
  bool CanExecute(const std::string& owner, const std::string& name, const std::string& user) const;

  void CreateSynonym(const std::string& name, const std::string& owner, const std::string& target,
                     bool replace);
  bool DropSynonym(const std::string& name);
  std::optional<std::pair<std::string, std::string>> Synonym(const std::string& name) const;

  // Grows with every change of objects, grants or synonyms: what was resolved against the
  // catalogue at one count still holds while the count is the same.
  std::uint64_t Changes() const { return changes_.load(); }

 private:
  using ObjectKey = std::tuple<std::string, std::string, int>;
  void Persist(const std::function<void(sql::Session&)>& work);

  SessionOpener openSystemSession_;
  std::unique_ptr<sql::Session> systemSession_;
  mutable std::mutex mutex_;
  std::mutex persistMutex_;
  std::map<ObjectKey, std::shared_ptr<const StoredObject>> objects_;
  std::set<std::tuple<std::string, std::string, std::string>> grants_;
  std::map<std::string, std::pair<std::string, std::string>> synonyms_;
  std::uint64_t lastVersion_ = 0;
  std::atomic<std::uint64_t> changes_{0};
};

}  // namespace devdb::plsql
