// The version-7 entry points. The program's logon and cursor data areas are Oracle's
// structures; the library keeps its own state beside them (keyed by their address) and
// writes the return code, function code, rows processed, SQL function code and parse error
// offset into them after every call. A call returns 0, or the Oracle error number that it
// also leaves in the area's return code.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "devdb/oci/CallGuard.h"
#include "devdb/oci/CursorArea.h"
#include "devdb/oci/HandleRegistry.h"
#include "devdb/oci/LogonArea.h"
#include "devdb/oci/OciApi.h"
#include "devdb/oci/RowidDescriptor.h"
#include "devdb/oci/ValueConverter.h"

using namespace devdb::oci;
namespace texts = devdb::texts;
using devdb::protocol::WireConnectMode;

namespace {

// The OCI function codes a cursor data area reports for its last call.
enum FunctionCode : ub1 {
  kExec = 4,
  kDefine = 8,
  kFetch = 12,
  kOpen = 14,
  kClose = 16,
  kParse = 54,
  kExecFetch = 56,
  kLongFetch = 58,
  kDescribe = 60,
  kBind = 62,
};

HandleRegistry& Registry() { return HandleRegistry::Instance(); }

std::string Text(const OraText* text, long long length) {
  if (text == nullptr) return "";
  const char* chars = reinterpret_cast<const char*>(text);
  if (length < 0) return std::string(chars);
  return std::string(chars, static_cast<std::size_t>(length));
}

// The SQL function code a statement type stands for before the server has parsed it.
ub2 FunctionOfType(int statementType) {
  switch (statementType) {
    case 1: return 4;
    case 2: return 5;
    case 3: return 9;
    case 4: return 3;
    case 8:
    case 9: return 34;
    default: return 0;
  }
}

sword Report(cda_def* area, ub1 functionCode, int code) {
  if (area == nullptr) return code;
  area->fc = functionCode;
  area->rc = static_cast<ub2>(code);
  area->v2_rc = static_cast<sb2>(code == 0 ? 0 : -std::min(code, 32767));
  return code;
}

// Runs a body; on any exception the area receives the Oracle number (and the text is kept
// for oerhms). The body returns the code to report (0 for success).
template <typename Body>
sword V7Call(cda_def* area, ub1 functionCode, Body body, LogonArea* logon = nullptr) noexcept {
  try {
    return Report(area, functionCode, body());
  } catch (...) {
    int code = texts::kInternalError.code;
    try {
      const ErrorRecords::Record record = RecordOfCurrentException();
      ErrorRecords::Remember(record.code, record.message);
      if (logon != nullptr) logon->messages[record.code] = record.message;
      code = record.code;
    } catch (...) {
    }
    return Report(area, functionCode, code);
  }
}

void Keep(const texts::OracleText& error) {
  ErrorRecords::Remember(error.code, ErrorRecords::Format(error.code, error.message));
}

// The state of a cursor area, or nullptr after reporting ORA-01001 into it.
CursorArea* CursorOf(Cda_Def* cursor, ub1 functionCode) {
  auto* area = Registry().Find<CursorArea>(cursor, HandleRegistry::kCursorArea);
  if (area == nullptr && cursor != nullptr) {
    Keep(texts::kInvalidCursor);
    Report(cursor, functionCode, texts::kInvalidCursor.code);
  }
  return area;
}

LogonArea* LogonOf(Lda_Def* lda) {
  auto* area = Registry().Find<LogonArea>(lda, HandleRegistry::kLogonArea);
  if (area == nullptr && lda != nullptr) {
    Keep(texts::kNotLoggedOn);
    Report(lda, 0, texts::kNotLoggedOn.code);
  }
  return area;
}

std::shared_ptr<ServerLink> LinkOf(CursorArea& cursor) {
  auto* logon = Registry().Find<LogonArea>(cursor.logonArea, HandleRegistry::kLogonArea);
  if (logon == nullptr) ErrorRecords::Raise(texts::kNotLoggedOn);
  return logon->link;
}

void UpdateCounts(Cda_Def* cursor, CursorArea& area) {
  const StatementCore& core = area.core;
  cursor->rpc = static_cast<ub4>(core.RowCount());
  cursor->peo = static_cast<ub2>(core.ParseErrorOffset());
  const int function = core.FunctionCode();
  cursor->ft = static_cast<ub2>(function != 0 ? function : FunctionOfType(core.StatementType()));
}

// The ROWID words: the last row the execution's INSERT, UPDATE or DELETE touched, all zero
// when there is none.
void UpdateRowid(Cda_Def* cursor, const CursorArea& area) {
  RowidDescriptor::Numbers numbers;
  if (!RowidDescriptor::Decode(area.core.Rowid(), numbers)) numbers = {};
  std::memset(&cursor->rid, 0, sizeof cursor->rid);
  cursor->rid.rd.rcs4 = numbers.object;
  cursor->rid.rd.rcs5 = numbers.file;
  cursor->rid.rcs7 = numbers.block;
  cursor->rid.rcs8 = numbers.row;
}

// Runs a cursor call and writes the counts into the area whether it succeeds or fails; an
// execution also writes the ROWID words.
template <typename Body>
sword CursorCall(Cda_Def* cursor, ub1 functionCode, Body body) noexcept {
  CursorArea* area = CursorOf(cursor, functionCode);
  if (area == nullptr) return texts::kInvalidCursor.code;
  cursor->wrn = 0;
  auto* logon = Registry().Find<LogonArea>(area->logonArea, HandleRegistry::kLogonArea);
  const sword code = V7Call(
      cursor, functionCode, [&] { return body(*area); }, logon);
  UpdateCounts(cursor, *area);
  if (functionCode == kExec || functionCode == kExecFetch) UpdateRowid(cursor, *area);
  return code;
}

int FetchCode(const StatementCore::FetchResult& result, Cda_Def* cursor) {
  if (result.nullWithoutIndicator) ErrorRecords::Raise(texts::kFetchedNull);
  if (result.truncatedWithoutIndicator) ErrorRecords::Raise(texts::kTruncated);
  if (result.endOfData) {
    Keep(texts::kNoDataFound);
    return texts::kNoDataFound.code;
  }
  // A truncation the indicators show is a warning, not an error.
  if (result.truncated) cursor->wrn = 0x01 | 0x02;
  return 0;
}

// Splits "user/password@database [AS SYSDBA|SYSOPER]" as the logon text is written.
struct LogonText {
  std::string user, password, database;
  WireConnectMode mode = WireConnectMode::Normal;
};

LogonText SplitLogon(std::string text, const std::string& password, const std::string& database) {
  LogonText logon;
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (auto [clause, mode] : {std::pair{" AS SYSDBA", WireConnectMode::SysDba},
                              std::pair{" AS SYSOPER", WireConnectMode::SysOper}}) {
    const std::string word(clause);
    const std::size_t at = upper.rfind(word);
    if (at != std::string::npos && at + word.size() == upper.find_last_not_of(' ') + 1) {
      logon.mode = mode;
      text.erase(at);
      break;
    }
  }
  const std::size_t at = text.find('@');
  if (at != std::string::npos) {
    logon.database = text.substr(at + 1);
    text.erase(at);
  }
  const std::size_t slash = text.find('/');
  if (slash != std::string::npos) {
    logon.password = text.substr(slash + 1);
    text.erase(slash);
  }
  logon.user = text;
  if (!password.empty()) logon.password = password;
  if (!database.empty()) logon.database = database;
  return logon;
}

sword LogOnArea(Lda_Def* lda, const std::string& uid, const std::string& password,
                const std::string& database) {
  if (lda == nullptr) return OCI_ERROR;
  Registry().Remove(lda, HandleRegistry::kLogonArea);
  std::memset(lda, 0, sizeof *lda);
  int warning = 0;
  const sword code = V7Call(lda, 0, [&] {
    const LogonText logon = SplitLogon(uid, password, database);
    auto link = std::make_shared<ServerLink>(logon.database);
    const auto reply = link->LogOn(logon.user, logon.password, logon.mode);
    Registry().Add(std::make_unique<LogonArea>(link), HandleRegistry::kLogonArea, nullptr, lda);
    if (reply.warning.code != 0) {
      ErrorRecords::Remember(reply.warning.code, reply.warning.message);
      warning = reply.warning.code;
    }
    return warning;
  });
  return code;
}

template <typename Body>
sword LogonCall(Lda_Def* lda, Body body) noexcept {
  LogonArea* area = LogonOf(lda);
  if (area == nullptr) return lda == nullptr ? OCI_ERROR : texts::kNotLoggedOn.code;
  return V7Call(
      lda, 0,
      [&] {
        body(*area);
        return 0;
      },
      area);
}

}  // namespace

extern "C" {

sword opinit(ub4) { return 0; }

sword orlon(Lda_Def* lda, ub1*, OraText* uid, sword uidl, OraText* pswd, sword pswdl, sword) {
  return LogOnArea(lda, Text(uid, uidl), Text(pswd, pswdl), "");
}

sword olog(Lda_Def* lda, ub1*, OraText* uid, sword uidl, OraText* pswd, sword pswdl, OraText* conn,
           sword connl, ub4) {
  return LogOnArea(lda, Text(uid, uidl), Text(pswd, pswdl), Text(conn, connl));
}

sword ologof(Lda_Def* lda) {
  auto* area = LogonOf(lda);
  if (area == nullptr) return lda == nullptr ? OCI_ERROR : texts::kNotLoggedOn.code;
  const sword code = V7Call(lda, 0, [&] {
    area->link->LogOff();
    area->link->Connection().Close();
    return 0;
  });
  Registry().Remove(lda, HandleRegistry::kLogonArea);
  return code;
}

sword ocom(Lda_Def* lda) {
  return LogonCall(lda, [](LogonArea& area) { area.link->Connection().Commit(); });
}

sword orol(Lda_Def* lda) {
  return LogonCall(lda, [](LogonArea& area) { area.link->Connection().Rollback(); });
}

sword ocon(Lda_Def* lda) {
  return LogonCall(lda, [](LogonArea& area) {
    area.link->RequireSession();
    area.link->autoCommit = true;
  });
}

sword ocof(Lda_Def* lda) {
  return LogonCall(lda, [](LogonArea& area) {
    area.link->RequireSession();
    area.link->autoCommit = false;
  });
}

sword obreak(Lda_Def* lda) {
  // Not through LogonCall: the area belongs to the thread that runs the call to interrupt.
  auto* area = Registry().Find<LogonArea>(lda, HandleRegistry::kLogonArea);
  if (area == nullptr) return texts::kNotLoggedOn.code;
  try {
    area->link->Connection().Break();
    return 0;
  } catch (...) {
    return RecordOfCurrentException().code;
  }
}

sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) {
  if (buf == nullptr || bufsiz <= 0) return 0;
  try {
    const int code = rcode < 0 ? -rcode : rcode;
    std::string text;
    if (auto* logon = Registry().Find<LogonArea>(lda, HandleRegistry::kLogonArea)) {
      auto found = logon->messages.find(code);
      if (found != logon->messages.end()) text = found->second;
    }
    if (text.empty()) text = ErrorRecords::Recall(code);
    text += "\n";
    const std::size_t count =
        std::min<std::size_t>(text.size(), static_cast<std::size_t>(bufsiz - 1));
    std::memcpy(buf, text.data(), count);
    buf[count] = 0;
    return static_cast<sword>(count);
  } catch (...) {
    buf[0] = 0;
    return 0;
  }
}

sword oopen(Cda_Def* cursor, Lda_Def* lda, OraText*, sword, sword, OraText*, sword) {
  if (cursor == nullptr) return OCI_ERROR;
  auto* logon = Registry().Find<LogonArea>(lda, HandleRegistry::kLogonArea);
  Registry().Remove(cursor, HandleRegistry::kCursorArea);
  std::memset(cursor, 0, sizeof *cursor);
  if (logon == nullptr) {
    Keep(texts::kNotLoggedOn);
    return Report(cursor, kOpen, texts::kNotLoggedOn.code);
  }
  return V7Call(cursor, kOpen, [&] {
    logon->link->RequireSession();
    auto area = std::make_unique<CursorArea>(lda);
    area->core.UseLink(logon->link);
    Registry().Add(std::move(area), HandleRegistry::kCursorArea, lda, cursor);
    return 0;
  });
}

sword oclose(Cda_Def* cursor) {
  if (CursorOf(cursor, kClose) == nullptr) return texts::kInvalidCursor.code;
  return V7Call(cursor, kClose, [&] {
    Registry().Remove(cursor, HandleRegistry::kCursorArea);
    return 0;
  });
}

sword oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4) {
  return CursorCall(cursor, kParse, [&](CursorArea& area) {
    if (sqlstm == nullptr) ErrorRecords::Raise(texts::kBadArgument);
    area.core.UseLink(LinkOf(area));
    area.core.SetText(Text(sqlstm, sqllen));
    if (defflg == 0) area.core.Parse();
    return 0;
  });
}

sword obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
             sword, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz, ub4* cursiz, OraText*, sword,
             sword) {
  return CursorCall(cursor, kBind, [&](CursorArea& area) {
    if (!area.core.HasText()) ErrorRecords::Raise(texts::kNotPrepared);
    std::string name = Text(sqlvar, sqlvl);
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name.empty()) ErrorRecords::Raise(texts::kBadBindName);
    HostBind bind;
    bind.name = name;
    bind.value = progv;
    bind.size = progvl;
    bind.type = static_cast<ub2>(ftype);
    bind.indicators = indp;
    bind.lengths = alen;
    bind.codes = arcode;
    bind.maxElements = cursiz != nullptr ? maxsiz : 0;
    bind.currentElements = cursiz;
    if (ftype == SQLT_CUR) {
      // progv is the cursor data area of the cursor variable; it need not have been opened.
      auto* target = reinterpret_cast<Cda_Def*>(progv);
      if (target == nullptr) ErrorRecords::Raise(texts::kBadArgument);
      Lda_Def* lda = area.logonArea;
      bind.adoptCursor = [target, lda](const std::shared_ptr<ServerLink>& link,
                                       std::uint32_t cursor) {
        auto* adopted = Registry().Find<CursorArea>(target, HandleRegistry::kCursorArea);
        if (adopted == nullptr) {
          std::memset(target, 0, sizeof *target);
          adopted = Registry().Add(std::make_unique<CursorArea>(lda), HandleRegistry::kCursorArea,
                                   lda, target);
        }
        adopted->core.Adopt(link, cursor);
        Report(target, 0, 0);
        UpdateCounts(target, *adopted);
      };
    }
    area.core.Bind(bind);
    return 0;
  });
}

sword odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword, sb2* indp,
             OraText*, sword, sword, ub2* rlen, ub2* rcode) {
  return CursorCall(cursor, kDefine, [&](CursorArea& area) {
    if (pos < 1) ErrorRecords::Raise(texts::kNotInSelectList);
    HostDefine define;
    define.position = static_cast<ub4>(pos);
    define.value = buf;
    define.size = bufl;
    define.type = static_cast<ub2>(ftype);
    define.indicators = indp;
    define.lengths = rlen;
    define.codes = rcode;
    area.core.Define(define);
    return 0;
  });
}

sword odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl,
             sb4* dsize, sb2* prec, sb2* scale, sb2* nullok) {
  return CursorCall(cursor, kDescribe, [&](CursorArea& area) {
    const auto& columns = area.core.Columns();
    if (pos < 1 || static_cast<std::size_t>(pos) > columns.size()) {
      Keep(texts::kNotInSelectList);
      return texts::kNotInSelectList.code;
    }
    const auto& column = columns[pos - 1];
    if (dbsize != nullptr) *dbsize = column.dataSize;
    if (dbtype != nullptr) *dbtype = static_cast<sb2>(column.oracleType);
    if (cbuf != nullptr && cbufl != nullptr) {
      const std::size_t room = *cbufl > 0 ? static_cast<std::size_t>(*cbufl) : 0;
      const std::size_t count = std::min(room, column.name.size());
      std::memcpy(cbuf, column.name.data(), count);
      *cbufl = static_cast<sb4>(count);
    }
    if (dsize != nullptr) {
      switch (column.oracleType) {
        case SQLT_NUM: *dsize = 40; break;
        case SQLT_DAT: *dsize = 9; break;
        case SQLT_BIN: *dsize = column.dataSize * 2; break;
        default: *dsize = column.dataSize; break;
      }
    }
    if (prec != nullptr) *prec = static_cast<sb2>(column.precision);
    if (scale != nullptr) *scale = static_cast<sb2>(column.scale);
    if (nullok != nullptr) *nullok = column.nullable ? 1 : 0;
    return 0;
  });
}

sword oexn(Cda_Def* cursor, sword iters, sword rowoff) {
  return CursorCall(cursor, kExec, [&](CursorArea& area) {
    StatementCore& core = area.core;
    if (!core.HasText()) ErrorRecords::Raise(texts::kNotPrepared);
    const bool commit = core.Link().autoCommit;
    if (core.IsQuery()) {
      core.Execute(1, 0, commit, 0);
      return 0;
    }
    if (iters <= 0 || rowoff < 0 || rowoff >= iters) ErrorRecords::Raise(texts::kZeroIterations);
    core.Execute(static_cast<ub4>(iters), static_cast<ub4>(rowoff), commit, 0);
    return 0;
  });
}

sword oexec(Cda_Def* cursor) { return oexn(cursor, 1, 0); }

sword oexfet(Cda_Def* cursor, ub4 nrows, sword, sword) {
  return CursorCall(cursor, kExecFetch, [&](CursorArea& area) {
    StatementCore& core = area.core;
    if (!core.HasText()) ErrorRecords::Raise(texts::kNotPrepared);
    core.Parse();
    if (!core.IsQuery()) {
      core.Execute(1, 0, core.Link().autoCommit, 0);
      return 0;
    }
    return FetchCode(core.Execute(1, 0, core.Link().autoCommit, nrows), cursor);
  });
}

sword ofen(Cda_Def* cursor, sword nrows) {
  return CursorCall(cursor, kFetch, [&](CursorArea& area) {
    if (nrows < 1) ErrorRecords::Raise(texts::kBadArgument);
    return FetchCode(area.core.Fetch(static_cast<ub4>(nrows)), cursor);
  });
}

sword oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl, sb4 offset) {
  return CursorCall(cursor, kLongFetch, [&](CursorArea& area) {
    const auto* row = area.core.CurrentRow();
    if (row == nullptr) ErrorRecords::Raise(texts::kFetchOutOfSequence);
    if (pos < 1 || static_cast<std::size_t>(pos) > row->size())
      ErrorRecords::Raise(texts::kNotInSelectList);
    if (buf == nullptr || bufl < 0 || offset < 0) ErrorRecords::Raise(texts::kBadArgument);
    const auto& value = (*row)[pos - 1];
    const auto bytes = value.IsNull()
                           ? std::vector<std::uint8_t>{}
                           : ValueConverter::ExternalBytes(value, static_cast<ub2>(dtype),
                                                           area.core.Link().dateFormat);
    const std::size_t start = std::min(bytes.size(), static_cast<std::size_t>(offset));
    const std::size_t count = std::min(bytes.size() - start, static_cast<std::size_t>(bufl));
    if (count > 0) std::memcpy(buf, bytes.data() + start, count);
    if (retl != nullptr) *retl = static_cast<ub4>(count);
    return 0;
  });
}

}  // extern "C"
