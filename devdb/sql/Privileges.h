// Who may do what: system privileges (granted to a user, to PUBLIC, through the DBA or
// SELECT_CATALOG_ROLE role, or held as SYSDBA) and object privileges on tables and views
// (SELECT, INSERT, UPDATE, DELETE granted by the owner). Stored code runs with its owner's
// direct and PUBLIC grants only, as Oracle's definer's rights have it. The objects under SYS
// are devdb's dictionary: every session may read the public views, V$SESSION and the DBA_
// views need a dictionary privilege, and only devdb's own dictionary session changes them.
#pragma once

#include <string>
#include <vector>

#include "devdb/sql/Catalogue.h"
#include "devdb/sql/SessionState.h"

namespace devdb::sql {

enum class TableAccess { Select, Insert, Update, Delete, Ddl };

class Privileges {
 public:
  Privileges(Catalogue& catalogue, const SessionState& state)
      : catalogue_(catalogue), state_(state) {}

  // A system privilege in effect for the statement being prepared.
  bool Has(const std::string& systemPrivilege) const;
  // Throws ORA-00942 (at offset) when the object is hidden from the session, ORA-01031 when
  // the session sees it but may not do this to it. Ddl checks only the dictionary and the
  // object's visibility; the command itself checks its ANY privilege.
  void CheckTable(const TableDefinition& object, TableAccess access, int offset) const;
  // CREATE TABLE / CREATE INDEX in a schema: the session's own, or another with the ANY
  // privilege; never SYS's (ORA-01031).
  void CheckCreateIn(const std::string& owner, const std::string& anyPrivilege) const;
  // DROP / TRUNCATE of a table of another schema needs DROP ANY TABLE (ORA-01031).
  void CheckDropOf(const std::string& owner) const;

  // For GRANT / REVOKE ... ON object: the object as "OWNER.NAME" (V_$SESSION is V$SESSION,
  // an unqualified name found through the public names), or ORA-00942 at offset.
  static std::string GrantTarget(Catalogue& catalogue, const SessionState& state,
                                 const std::string& owner, const std::string& name, int offset);
  // The object privileges a GRANT names: ALL [PRIVILEGES] is SELECT, INSERT, UPDATE, DELETE.
  static std::vector<std::string> ObjectPrivileges(const std::string& privilege);
  // Only the owner or a holder of GRANT ANY OBJECT PRIVILEGE grants on an object.
  void CheckGrantOn(const std::string& target) const;

 private:
  const std::string& User() const { return state_.definer.empty() ? state_.user : state_.definer; }
  bool RolesEnabled() const { return state_.definer.empty(); }
  bool Granted(const std::string& privilege) const;
  bool HasObject(const TableDefinition& object, const std::string& privilege) const;
  bool SeesDictionaryObject(const TableDefinition& object) const;

  Catalogue& catalogue_;
  const SessionState& state_;
};

}  // namespace devdb::sql
