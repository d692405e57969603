// The privilege rules the translator and the commands apply before anything is read or
// changed, with Oracle's choice between "does not exist" and "insufficient privileges".
#include "devdb/sql/Privileges.h"

#include "devdb/sql/OracleErrors.h"

namespace devdb::sql {
namespace {

const char* Verb(TableAccess access) {
  switch (access) {
    case TableAccess::Select: return "SELECT";
    case TableAccess::Insert: return "INSERT";
    case TableAccess::Update: return "UPDATE";
    case TableAccess::Delete: return "DELETE";
    case TableAccess::Ddl: break;
  }
  return "";
}

const char* const kTableVerbs[] = {"SELECT", "INSERT", "UPDATE", "DELETE"};

}  // namespace

bool Privileges::Granted(const std::string& privilege) const {
  return catalogue_.HasPrivilege(User(), privilege) || catalogue_.HasPrivilege("PUBLIC", privilege);
}

bool Privileges::Has(const std::string& systemPrivilege) const {
  if (state_.maintainsDictionary || User() == "SYS") return true;
  if (RolesEnabled() && state_.sysdba) return true;
  if (Granted(systemPrivilege)) return true;
  if (!RolesEnabled() || systemPrivilege == "SYSDBA" || systemPrivilege == "SYSOPER") return false;
  // The DBA role holds every system privilege but the two administrative ones.
  return catalogue_.HasPrivilege(User(), "DBA");
}

bool Privileges::HasObject(const TableDefinition& object, const std::string& privilege) const {
  return Granted(privilege + " ON " + object.owner + "." + object.name);
}

bool Privileges::SeesDictionaryObject(const TableDefinition& object) const {
  if (object.name == "DUAL") return true;
  const auto visible = catalogue_.FindPublic(object.name);
  const bool open = visible && visible->objectId == object.objectId && object.name != "V$SESSION" &&
                    object.name.rfind("DBA_", 0) != 0;
  if (open) return true;
  if (Has("SELECT ANY DICTIONARY")) return true;
  if (RolesEnabled() && catalogue_.HasPrivilege(User(), "SELECT_CATALOG_ROLE")) return true;
  return HasObject(object, "SELECT");
}

void Privileges::CheckTable(const TableDefinition& object, TableAccess access, int offset) const {
  if (state_.maintainsDictionary) return;
  if (object.owner == "SYS") {
    const bool sees = SeesDictionaryObject(object);
    if (access == TableAccess::Select && sees) return;
    throw OracleErrors::At(sees ? texts::kInsufficientPrivileges : texts::kTableOrViewDoesNotExist,
                           offset);
  }
  if (object.owner == User()) return;
  if (access != TableAccess::Ddl) {
    const std::string verb = Verb(access);
    if (HasObject(object, verb) || Has(verb + " ANY TABLE")) return;
  }
  bool sees = Has("DROP ANY TABLE");
  for (const char* verb : kTableVerbs)
    sees = sees || HasObject(object, verb) || Has(std::string(verb) + " ANY TABLE");
  if (access == TableAccess::Ddl && sees) return;
  throw OracleErrors::At(sees ? texts::kInsufficientPrivileges : texts::kTableOrViewDoesNotExist,
                         offset);
}

void Privileges::CheckCreateIn(const std::string& owner, const std::string& anyPrivilege) const {
  if (state_.maintainsDictionary) return;
  if (owner == "SYS")
    throw OracleErrors::Make(texts::kInsufficientPrivileges);  // the dictionary's schema
  if (owner == User()) return;
  if (!Has(anyPrivilege)) throw OracleErrors::Make(texts::kInsufficientPrivileges);
}

void Privileges::CheckDropOf(const std::string& owner) const {
  if (state_.maintainsDictionary) return;
  if (owner == "SYS" || (owner != User() && !Has("DROP ANY TABLE")))
    throw OracleErrors::Make(texts::kInsufficientPrivileges);
}

std::string Privileges::GrantTarget(Catalogue& catalogue, const SessionState& state,
                                    const std::string& owner, const std::string& name,
                                    int offset) {
  // V$SESSION is Oracle's public name for SYS.V_$SESSION, the view grants are given on.
  const std::string wanted = name == "V_$SESSION" ? "V$SESSION" : name;
  std::optional<TableDefinition> object;
  if (!owner.empty()) {
    object = catalogue.FindObject(owner, wanted);
  } else {
    object = catalogue.FindObject(state.schema, wanted);
    if (!object) object = catalogue.FindPublic(wanted);
  }
  if (!object || object->kind == "INDEX")
    throw OracleErrors::At(texts::kTableOrViewDoesNotExist, offset);
  return object->owner + "." + object->name;
}

std::vector<std::string> Privileges::ObjectPrivileges(const std::string& privilege) {
  if (privilege == "ALL" || privilege == "ALL PRIVILEGES")
    return {std::begin(kTableVerbs), std::end(kTableVerbs)};
  return {privilege};
}

void Privileges::CheckGrantOn(const std::string& target) const {
  const std::size_t dot = target.find('.');
  const std::string owner = target.substr(0, dot);
  if (state_.maintainsDictionary || owner == User() || Has("GRANT ANY OBJECT PRIVILEGE")) return;
  // Someone else's object: "does not exist" unless the session sees it.
  if (auto object = catalogue_.FindObject(owner, target.substr(dot + 1))) {
    try {
      CheckTable(*object, TableAccess::Select, 0);
    } catch (const SqlError& error) {
      if (error.Code() == texts::kTableOrViewDoesNotExist.code) throw;
    }
  }
  throw OracleErrors::Make(texts::kInsufficientPrivileges);
}

}  // namespace devdb::sql
