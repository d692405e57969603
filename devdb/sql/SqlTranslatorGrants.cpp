// Users and their privileges: CREATE USER and ALTER USER with their options and passwords,
// and GRANT and REVOKE of system and object privileges.
#include <string>

#include "devdb/sql/SqlTranslatorParser.h"

namespace devdb::sql::translation {

std::string Parser::ParsePassword() {
  const Token& token = Peek();
  // As long as a logon may carry (see LogonService).
  if (token.text.size() > 1024) Fail(texts::kInvalidPassword, token);
  if (token.kind == Token::Kind::QuotedName) return Next().text;
  if (token.kind == Token::Kind::Word && !Reserved().count(token.text)) {
    Next();
    // Unquoted passwords keep the case they were typed in.
    return sql_.substr(static_cast<std::size_t>(token.offset),
                       static_cast<std::size_t>(token.endOffset - token.offset));
  }
  Fail(texts::kInvalidPassword, token);
}

void Parser::ParseUserOptions(UserSpec& user, bool create) {
  bool any = false;
  while (Peek().kind != Token::Kind::End) {
    any = true;
    if (Accept("IDENTIFIED")) {
      if (Accept("EXTERNALLY")) {
        user.externally = true;
      } else {
        Expect("BY", texts::kMissingBy);
        user.password = ParsePassword();
        if (!create && Accept("REPLACE")) user.replacePassword = ParsePassword();
      }
    } else if (Accept("DEFAULT") || Accept("TEMPORARY")) {
      Expect("TABLESPACE", texts::kInvalidOption);
      Name(texts::kInvalidOption);
    } else if (Accept("QUOTA")) {
      if (!Accept("UNLIMITED")) {
        if (Peek().kind != Token::Kind::Number) Fail(texts::kInvalidOption);
        Next();
        if (Peek().kind == Token::Kind::Word &&
            (Peek().text == "K" || Peek().text == "M" || Peek().text == "G"))
          Next();
      }
      Expect("ON", texts::kInvalidOption);
      Name(texts::kInvalidOption);
    } else if (Accept("PROFILE")) {
      Name(texts::kInvalidOption);
    } else if (Accept("PASSWORD")) {
      if (Accept("EXPIRE")) {
        user.expire = true;
      } else if (Accept("GRACE")) {
        // devdb's own clause: put the account into the grace period (ORA-28002 at logon).
        int days = 7;
        if (Peek().kind == Token::Kind::Number) days = SmallInteger(Next().text);
        if (days < 1) Fail(texts::kInvalidOption);
        user.graceDays = days;
      } else {
        Fail(texts::kInvalidOption);
      }
    } else if (Accept("ACCOUNT")) {
      if (Accept("LOCK"))
        user.lock = true;
      else if (Accept("UNLOCK"))
        user.lock = false;
      else
        Fail(texts::kInvalidOption);
    } else {
      Fail(texts::kInvalidOption);
    }
  }
  if (!any) Fail(texts::kInvalidOption);
}

void Parser::ParseCreateUser(TranslatedStatement& out) {
  out.kind = StatementKind::CreateUser;
  out.user.name = Name(texts::kMissingUserOrRole);
  if (!Peek().Is("IDENTIFIED")) Fail(texts::kMissingBy);
  ParseUserOptions(out.user, true);
}

void Parser::ParseAlterUser(TranslatedStatement& out) {
  out.info.sqlFunctionCode = 53;
  out.kind = StatementKind::AlterUser;
  out.user.name = Name(texts::kMissingUserOrRole);
  ParseUserOptions(out.user, false);
}

void Parser::ParseGrant(TranslatedStatement& out, bool grant) {
  out.kind = grant ? StatementKind::Grant : StatementKind::Revoke;
  do {
    std::string privilege;
    while (Peek().kind == Token::Kind::Word && !Peek().Is("TO") && !Peek().Is("FROM") &&
           !Peek().Is("ON")) {
      privilege += (privilege.empty() ? "" : " ") + Next().text;
    }
    if (privilege.empty()) Fail(texts::kInvalidPrivilege);
    if (privilege == "CONNECT") privilege = "CREATE SESSION";
    out.grant.privileges.push_back(privilege);
  } while (AcceptSymbol(","));
  if (Accept("ON")) {
    const Token& at = Peek();
    auto [owner, name] = ParseObjectName();
    const std::string object = Privileges::GrantTarget(catalogue_, state_, owner, name, at.offset);
    std::vector<std::string> privileges;
    for (const std::string& privilege : out.grant.privileges)
      for (const std::string& one : Privileges::ObjectPrivileges(privilege))
        privileges.push_back(one + " ON " + object);
    out.grant.privileges = privileges;
  }
  Expect(grant ? "TO" : "FROM", texts::kMissingKeyword);
  do {
    out.grant.grantees.push_back(Name(texts::kInvalidUsername));
  } while (AcceptSymbol(","));
  if (grant && Accept("WITH")) {
    if (!Accept("ADMIN") && !Accept("GRANT")) Fail(texts::kInvalidOption);
    Expect("OPTION", texts::kInvalidOption);
  }
  ExpectEnd();
}

}  // namespace devdb::sql::translation
