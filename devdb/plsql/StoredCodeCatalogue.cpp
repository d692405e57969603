// The stored code catalogue. Source is kept in pieces of at most 1000 bytes so that it fits
// VARCHAR2 columns; each piece ends on a whole UTF-8 character.
#include "devdb/plsql/StoredCodeCatalogue.h"

#include "devdb/common/OracleTexts.h"
#include "devdb/plsql/Parser.h"
#include "devdb/plsql/PlsqlError.h"
#include "devdb/sql/OracleErrors.h"

namespace devdb::plsql {
namespace {

constexpr std::size_t kPieceSize = 1000;

const char* KindName(Unit::Kind kind) {
  switch (kind) {
    case Unit::Kind::Package: return "PACKAGE";
    case Unit::Kind::PackageBody: return "PACKAGE BODY";
    case Unit::Kind::Procedure: return "PROCEDURE";
    case Unit::Kind::Function: return "FUNCTION";
    case Unit::Kind::Anonymous: break;
  }
  return "BLOCK";
}

std::optional<Unit::Kind> KindFromName(const std::string& name) {
  for (auto kind : {Unit::Kind::Package, Unit::Kind::PackageBody, Unit::Kind::Procedure,
                    Unit::Kind::Function}) {
    if (name == KindName(kind)) return kind;
  }
  return std::nullopt;
}

void Run(sql::Session& session, const std::string& text, const std::vector<sql::Bind>& binds = {}) {
  auto statement = session.Prepare(text);
  statement->Execute(binds, 1, 0, false);
}

sql::Bind TextBind(const char* name, const std::string& value) {
  sql::Bind bind;
  bind.name = name;
  bind.values.push_back(value.empty() ? sql::Value::Null() : sql::Value::Text(value));
  return bind;
}

}  // namespace

StoredCodeCatalogue::StoredCodeCatalogue(SessionOpener openSystemSession)
    : openSystemSession_(std::move(openSystemSession)) {}

void StoredCodeCatalogue::Persist(const std::function<void(sql::Session&)>& work) {
  if (!openSystemSession_) return;
  std::lock_guard lock(persistMutex_);
  if (!systemSession_) systemSession_ = openSystemSession_();
  try {
    work(*systemSession_);
    systemSession_->Commit();
  } catch (...) {
    systemSession_->Rollback();
    throw;
  }
}

void StoredCodeCatalogue::Load() {
  if (!openSystemSession_) return;
  std::lock_guard lock(persistMutex_);
  if (!systemSession_) systemSession_ = openSystemSession_();
  sql::Session& session = *systemSession_;
  const char* tables[] = {
      "CREATE TABLE DEVDB_PLSQL_SOURCE (OWNER VARCHAR2(128), NAME VARCHAR2(128), KIND "
      "VARCHAR2(20), "
      "PIECE NUMBER, TEXT VARCHAR2(4000))",
      "CREATE TABLE DEVDB_PLSQL_GRANTS (OWNER VARCHAR2(128), NAME VARCHAR2(128), GRANTEE "
      "VARCHAR2(128))",
      "CREATE TABLE DEVDB_PLSQL_SYNONYMS (NAME VARCHAR2(128), OWNER VARCHAR2(128), TARGET "
      "VARCHAR2(128))"};
  for (const char* table : tables) {
    try {
      Run(session, table);
    } catch (const sql::SqlError& error) {
      if (error.Code() != 955) throw;  // already there from an earlier start
    }
  }
  session.Commit();

  std::map<ObjectKey, std::string> sources;
  auto query = session.Prepare(
      "SELECT OWNER, NAME, KIND, TEXT FROM DEVDB_PLSQL_SOURCE ORDER BY OWNER, NAME, KIND, PIECE");
  query->Execute({}, 1, 0, false);
  for (;;) {
    auto rows = query->Fetch(100);
    for (const auto& row : rows) {
      auto kind = KindFromName(row[2].text);
      if (!kind) continue;
      sources[{row[0].text, row[1].text, static_cast<int>(*kind)}] += row[3].text;
    }
    if (rows.size() < 100) break;
  }
  std::lock_guard objectsLock(mutex_);
  for (const auto& [key, source] : sources) {
    auto object = std::make_shared<StoredObject>();
    object->owner = std::get<0>(key);
    object->name = std::get<1>(key);
    object->kind = static_cast<Unit::Kind>(std::get<2>(key));
    object->source = source;
    object->version = ++lastVersion_;
    try {
      object->unit = std::make_shared<const Unit>(Parser::ParseCreate("CREATE " + source));
    } catch (const PlsqlError& error) {
      object->errors = error.what();
    }
    objects_[key] = object;
  }
  auto grants = session.Prepare("SELECT OWNER, NAME, GRANTEE FROM DEVDB_PLSQL_GRANTS");
  grants->Execute({}, 1, 0, false);
  for (const auto& row : grants->Fetch(100000))
    grants_.insert({row[0].text, row[1].text, row[2].text});
  auto synonyms = session.Prepare("SELECT NAME, OWNER, TARGET FROM DEVDB_PLSQL_SYNONYMS");
  synonyms->Execute({}, 1, 0, false);
  for (const auto& row : synonyms->Fetch(100000))
    synonyms_[row[0].text] = {row[1].text, row[2].text};
  ++changes_;
}

std::shared_ptr<const StoredObject> StoredCodeCatalogue::Find(const std::string& owner,
                                                              const std::string& name,
                                                              Unit::Kind kind) const {
  std::lock_guard lock(mutex_);
  auto it = objects_.find({owner, name, static_cast<int>(kind)});
  return it == objects_.end() ? nullptr : it->second;
}

std::shared_ptr<const StoredObject> StoredCodeCatalogue::FindCallable(
    const std::string& owner, const std::string& name) const {
  for (auto kind : {Unit::Kind::Package, Unit::Kind::Procedure, Unit::Kind::Function}) {
    if (auto object = Find(owner, name, kind)) return object;
  }
  return nullptr;
}

void StoredCodeCatalogue::Store(StoredObject object, bool replace) {
  ObjectKey key{object.owner, object.name, static_cast<int>(object.kind)};
  {
    std::lock_guard lock(mutex_);
    // A package body shares its name with its package; the other kinds share one namespace.
    if (object.kind != Unit::Kind::PackageBody) {
      for (auto kind : {Unit::Kind::Package, Unit::Kind::Procedure, Unit::Kind::Function}) {
        if (kind == object.kind) continue;
        if (objects_.count({object.owner, object.name, static_cast<int>(kind)})) {
          throw sql::OracleErrors::Make(texts::kNameInUse);
        }
      }
    }
    if (!replace && objects_.count(key)) throw sql::OracleErrors::Make(texts::kNameInUse);
  }
  Persist([&](sql::Session& session) {
    Run(session,
        "DELETE FROM DEVDB_PLSQL_SOURCE WHERE OWNER = :OWNER AND NAME = :NAME AND KIND = :KIND",
        {TextBind("OWNER", object.owner), TextBind("NAME", object.name),
         TextBind("KIND", KindName(object.kind))});
    std::size_t start = 0;
    int piece = 0;
    while (start < object.source.size()) {
      std::size_t end = std::min(object.source.size(), start + kPieceSize);
      while (end < object.source.size() && end > start + 1 &&
             (static_cast<unsigned char>(object.source[end]) & 0xC0) == 0x80) {
        --end;
      }
      sql::Bind pieceBind;
      pieceBind.name = "PIECE";
      pieceBind.values.push_back(sql::Value::Number(std::to_string(++piece)));
      Run(session,
          "INSERT INTO DEVDB_PLSQL_SOURCE (OWNER, NAME, KIND, PIECE, TEXT) VALUES (:OWNER, :NAME, "
          ":KIND, :PIECE, :TEXT)",
          {TextBind("OWNER", object.owner), TextBind("NAME", object.name),
           TextBind("KIND", KindName(object.kind)), pieceBind,
           TextBind("TEXT", object.source.substr(start, end - start))});
      start = end;
    }
  });
  std::lock_guard lock(mutex_);
  object.version = ++lastVersion_;
  objects_[key] = std::make_shared<const StoredObject>(std::move(object));
  ++changes_;
}

bool StoredCodeCatalogue::Drop(const std::string& owner, const std::string& name, Unit::Kind kind) {
  {
    std::lock_guard lock(mutex_);
    if (!objects_.count({owner, name, static_cast<int>(kind)})) return false;
  }
  bool withBody = kind == Unit::Kind::Package;
  Persist([&](sql::Session& session) {
    Run(session,
        "DELETE FROM DEVDB_PLSQL_SOURCE WHERE OWNER = :OWNER AND NAME = :NAME AND KIND = :KIND",
        {TextBind("OWNER", owner), TextBind("NAME", name), TextBind("KIND", KindName(kind))});
    if (withBody) {
      Run(session,
          "DELETE FROM DEVDB_PLSQL_SOURCE WHERE OWNER = :OWNER AND NAME = :NAME AND KIND = :KIND",
          {TextBind("OWNER", owner), TextBind("NAME", name),
           TextBind("KIND", KindName(Unit::Kind::PackageBody))});
    }
    if (kind != Unit::Kind::PackageBody) {
      Run(session, "DELETE FROM DEVDB_PLSQL_GRANTS WHERE OWNER = :OWNER AND NAME = :NAME",
          {TextBind("OWNER", owner), TextBind("NAME", name)});
    }
  });
  std::lock_guard lock(mutex_);
  objects_.erase({owner, name, static_cast<int>(kind)});
  if (withBody) objects_.erase({owner, name, static_cast<int>(Unit::Kind::PackageBody)});
  if (kind != Unit::Kind::PackageBody) {
    for (auto it = grants_.begin(); it != grants_.end();) {
      it = (std::get<0>(*it) == owner && std::get<1>(*it) == name) ? grants_.erase(it)
                                                                   : std::next(it);
    }
  }
  ++changes_;
  return true;
}

void StoredCodeCatalogue::Grant(const std::string& owner, const std::string& name,
                                const std::string& grantee) {
  {
    std::lock_guard lock(mutex_);
    if (grants_.count({owner, name, grantee})) return;
  }
  Persist([&](sql::Session& session) {
    Run(session,
        "INSERT INTO DEVDB_PLSQL_GRANTS (OWNER, NAME, GRANTEE) VALUES (:OWNER, :NAME, :GRANTEE)",
        {TextBind("OWNER", owner), TextBind("NAME", name), TextBind("GRANTEE", grantee)});
  });
  std::lock_guard lock(mutex_);
  grants_.insert({owner, name, grantee});
  ++changes_;
}

bool StoredCodeCatalogue::CanExecute(const std::string& owner, const std::string& name,
                                     const std::string& user) const {
  if (owner == user || user == "SYS" || user == "SYSTEM") return true;
  std::lock_guard lock(mutex_);
  return grants_.count({owner, name, "PUBLIC"}) || grants_.count({owner, name, user});
}

void StoredCodeCatalogue::CreateSynonym(const std::string& name, const std::string& owner,
                                        const std::string& target, bool replace) {
  {
    std::lock_guard lock(mutex_);
    if (!replace && synonyms_.count(name)) throw sql::OracleErrors::Make(texts::kNameInUse);
  }
  Persist([&](sql::Session& session) {
    Run(session, "DELETE FROM DEVDB_PLSQL_SYNONYMS WHERE NAME = :NAME", {TextBind("NAME", name)});
    Run(session,
        "INSERT INTO DEVDB_PLSQL_SYNONYMS (NAME, OWNER, TARGET) VALUES (:NAME, :OWNER, :TARGET)",
        {TextBind("NAME", name), TextBind("OWNER", owner), TextBind("TARGET", target)});
  });
  std::lock_guard lock(mutex_);
  synonyms_[name] = {owner, target};
  ++changes_;
}

bool StoredCodeCatalogue::DropSynonym(const std::string& name) {
  {
    std::lock_guard lock(mutex_);
    if (!synonyms_.count(name)) return false;
  }
  Persist([&](sql::Session& session) {
    Run(session, "DELETE FROM DEVDB_PLSQL_SYNONYMS WHERE NAME = :NAME", {TextBind("NAME", name)});
  });
  std::lock_guard lock(mutex_);
  synonyms_.erase(name);
  ++changes_;
  return true;
}

std::optional<std::pair<std::string, std::string>> StoredCodeCatalogue::Synonym(
    const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = synonyms_.find(name);
  if (it == synonyms_.end()) return std::nullopt;
  return it->second;
}

}  // namespace devdb::plsql
