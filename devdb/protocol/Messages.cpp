// Field order of every message body. Counts come before their items and are checked
// against the bytes left, see PayloadReader::Count.
#include "devdb/protocol/Messages.h"

namespace devdb::protocol {
namespace {

WireConnectMode ReadMode(PayloadReader& in) {
  std::uint8_t mode = in.U8();
  if (mode > static_cast<std::uint8_t>(WireConnectMode::SysOper))
    throw ProtocolError("unknown connect mode " + std::to_string(mode));
  return static_cast<WireConnectMode>(mode);
}

void WriteColumns(PayloadWriter& out, const std::vector<WireColumn>& columns) {
  out.U32(static_cast<std::uint32_t>(columns.size()));
  for (const auto& column : columns) out.Column(column);
}

std::vector<WireColumn> ReadColumns(PayloadReader& in) {
  std::uint32_t count = in.Count(4 + 4 * 4 + 1);  // name length, four numbers, nullable
  std::vector<WireColumn> columns;
  columns.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) columns.push_back(in.Column());
  return columns;
}

void WriteValues(PayloadWriter& out, const std::vector<WireValue>& values) {
  out.U32(static_cast<std::uint32_t>(values.size()));
  for (const auto& value : values) out.Value(value);
}

// Reads each value in its place in the list: one read into a temporary and moved there costs
// about as much again.
void ReadValues(PayloadReader& in, std::vector<WireValue>& values) {
  const std::uint32_t count = in.Count(1);
  values.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) in.ValueInto(values.emplace_back());
}

void WriteRows(PayloadWriter& out, const std::vector<WireRow>& rows) {
  out.U32(static_cast<std::uint32_t>(rows.size()));
  for (const auto& row : rows) WriteValues(out, row);
}

std::vector<WireRow> ReadRows(PayloadReader& in) {
  std::uint32_t count = in.Count(4);
  std::vector<WireRow> rows;
  rows.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) ReadValues(in, rows.emplace_back());
  return rows;
}

}  // namespace

void HelloRequest::Write(PayloadWriter& out) const {
  out.U32(magic);
  out.U16(version);
}
HelloRequest HelloRequest::Read(PayloadReader& in) {
  HelloRequest m;
  m.magic = in.U32();
  m.version = in.U16();
  return m;
}

void HelloReply::Write(PayloadWriter& out) const {
  out.U16(version);
  out.Text(banner);
}
HelloReply HelloReply::Read(PayloadReader& in) {
  HelloReply m;
  m.version = in.U16();
  m.banner = in.Text();
  return m;
}

void BreakRequest::Write(PayloadWriter& out) const {
  out.U32(magic);
  out.U16(version);
  out.U32(sid);
  out.U64(breakToken);
}
BreakRequest BreakRequest::Read(PayloadReader& in) {
  BreakRequest m;
  m.magic = in.U32();
  m.version = in.U16();
  m.sid = in.U32();
  m.breakToken = in.U64();
  return m;
}

void LogonRequest::Write(PayloadWriter& out) const {
  out.Text(user);
  out.Text(password);
  out.U8(static_cast<std::uint8_t>(mode));
  out.Text(osUser);
  out.Text(machine);
  out.Text(program);
}
LogonRequest LogonRequest::Read(PayloadReader& in) {
  LogonRequest m;
  m.user = in.Text();
  m.password = in.Text();
  m.mode = ReadMode(in);
  m.osUser = in.Text();
  m.machine = in.Text();
  m.program = in.Text();
  return m;
}

void LogonReply::Write(PayloadWriter& out) const {
  out.Bool(loggedOn);
  out.U32(sid);
  out.U32(serial);
  out.I64(audsid);
  out.U64(breakToken);
  out.Text(username);
  out.Error(warning);
}
LogonReply LogonReply::Read(PayloadReader& in) {
  LogonReply m;
  m.loggedOn = in.Bool();
  m.sid = in.U32();
  m.serial = in.U32();
  m.audsid = in.I64();
  m.breakToken = in.U64();
  m.username = in.Text();
  m.warning = in.Error();
  return m;
}

void PasswordChangeRequest::Write(PayloadWriter& out) const {
  out.Text(user);
  out.Text(oldPassword);
  out.Text(newPassword);
  out.Bool(logOnAfter);
  out.U8(static_cast<std::uint8_t>(mode));
  out.Text(osUser);
  out.Text(machine);
  out.Text(program);
}
PasswordChangeRequest PasswordChangeRequest::Read(PayloadReader& in) {
  PasswordChangeRequest m;
  m.user = in.Text();
  m.oldPassword = in.Text();
  m.newPassword = in.Text();
  m.logOnAfter = in.Bool();
  m.mode = ReadMode(in);
  m.osUser = in.Text();
  m.machine = in.Text();
  m.program = in.Text();
  return m;
}

void VersionReply::Write(PayloadWriter& out) const { out.Text(banner); }
VersionReply VersionReply::Read(PayloadReader& in) {
  VersionReply m;
  m.banner = in.Text();
  return m;
}

void PrepareRequest::Write(PayloadWriter& out) const { out.Text(sql); }
PrepareRequest PrepareRequest::Read(PayloadReader& in) {
  PrepareRequest m;
  m.sql = in.Text();
  return m;
}

void PrepareReply::Write(PayloadWriter& out) const {
  out.U32(cursor);
  out.I32(statementType);
  out.I32(sqlFunctionCode);
  out.U32(static_cast<std::uint32_t>(bindNames.size()));
  for (const auto& name : bindNames) out.Text(name);
  WriteColumns(out, columns);
}
PrepareReply PrepareReply::Read(PayloadReader& in) {
  PrepareReply m;
  m.cursor = in.U32();
  m.statementType = in.I32();
  m.sqlFunctionCode = in.I32();
  const std::uint32_t names = in.Count(4);
  m.bindNames.reserve(names);
  for (std::uint32_t i = 0; i < names; ++i) in.TextInto(m.bindNames.emplace_back());
  m.columns = ReadColumns(in);
  return m;
}

void DescribeRequest::Write(PayloadWriter& out) const { out.U32(cursor); }
DescribeRequest DescribeRequest::Read(PayloadReader& in) {
  DescribeRequest m;
  m.cursor = in.U32();
  return m;
}

void DescribeReply::Write(PayloadWriter& out) const { WriteColumns(out, columns); }
DescribeReply DescribeReply::Read(PayloadReader& in) {
  DescribeReply m;
  m.columns = ReadColumns(in);
  return m;
}

void ExecuteRequest::Write(PayloadWriter& out) const {
  out.U32(cursor);
  out.U32(iterations);
  out.U32(rowOffset);
  out.Bool(commitOnSuccess);
  out.U32(prefetchRows);
  out.U32(static_cast<std::uint32_t>(binds.size()));
  for (const auto& bind : binds) {
    out.Text(bind.name);
    out.Bool(bind.out);
    out.I32(bind.maxLength);
    WriteValues(out, bind.values);
    out.U8(static_cast<std::uint8_t>(bind.form));
    out.I32(bind.maxElements);
    out.I32(bind.declaredType);
  }
  out.Text(sql);
}
ExecuteRequest ExecuteRequest::Read(PayloadReader& in) {
  ExecuteRequest m;
  m.cursor = in.U32();
  m.iterations = in.U32();
  m.rowOffset = in.U32();
  m.commitOnSuccess = in.Bool();
  m.prefetchRows = in.U32();
  const std::uint32_t count = in.Count(4 + 1 + 4 + 4 + 1 + 4 + 4);
  m.binds.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    WireBind& bind = m.binds.emplace_back();
    in.TextInto(bind.name);
    bind.out = in.Bool();
    bind.maxLength = in.I32();
    ReadValues(in, bind.values);
    std::uint8_t form = in.U8();
    if (form > static_cast<std::uint8_t>(WireBindForm::RefCursor))
      throw ProtocolError("unknown bind form " + std::to_string(form));
    bind.form = static_cast<WireBindForm>(form);
    bind.maxElements = in.I32();
    bind.declaredType = in.I32();
  }
  in.TextInto(m.sql);
  return m;
}

void ExecuteReply::Write(PayloadWriter& out) const {
  out.U64(rowsProcessed);
  out.U32(static_cast<std::uint32_t>(outValues.size()));
  for (const auto& values : outValues) WriteValues(out, values);
  out.Error(rowError);
  out.Text(warning);
  WriteRows(out, rows);
  out.U64(rowsFetched);
  out.Bool(endOfFetch);
  out.U32(static_cast<std::uint32_t>(refCursors.size()));
  for (std::uint32_t cursor : refCursors) out.U32(cursor);
  out.Text(rowid);
  out.Bool(prepared);
  if (prepared) statement.Write(out);
}
ExecuteReply ExecuteReply::Read(PayloadReader& in) {
  ExecuteReply m;
  m.rowsProcessed = in.U64();
  const std::uint32_t binds = in.Count(4);
  m.outValues.reserve(binds);
  for (std::uint32_t i = 0; i < binds; ++i) ReadValues(in, m.outValues.emplace_back());
  m.rowError = in.Error();
  in.TextInto(m.warning);
  m.rows = ReadRows(in);
  m.rowsFetched = in.U64();
  m.endOfFetch = in.Bool();
  const std::uint32_t cursors = in.Count(4);
  m.refCursors.reserve(cursors);
  for (std::uint32_t i = 0; i < cursors; ++i) m.refCursors.push_back(in.U32());
  in.TextInto(m.rowid);
  m.prepared = in.Bool();
  if (m.prepared) m.statement = PrepareReply::Read(in);
  return m;
}

void FetchRequest::Write(PayloadWriter& out) const {
  out.U32(cursor);
  out.U32(maxRows);
}
FetchRequest FetchRequest::Read(PayloadReader& in) {
  FetchRequest m;
  m.cursor = in.U32();
  m.maxRows = in.U32();
  return m;
}

void FetchReply::Write(PayloadWriter& out) const {
  WriteRows(out, rows);
  out.U64(rowsFetched);
  out.Bool(endOfFetch);
}
FetchReply FetchReply::Read(PayloadReader& in) {
  FetchReply m;
  m.rows = ReadRows(in);
  m.rowsFetched = in.U64();
  m.endOfFetch = in.Bool();
  return m;
}

void CloseCursorRequest::Write(PayloadWriter& out) const { out.U32(cursor); }
CloseCursorRequest CloseCursorRequest::Read(PayloadReader& in) {
  CloseCursorRequest m;
  m.cursor = in.U32();
  return m;
}

void ErrorReply::Write(PayloadWriter& out) const { out.Error(error); }
ErrorReply ErrorReply::Read(PayloadReader& in) {
  ErrorReply m;
  m.error = in.Error();
  return m;
}

}  // namespace devdb::protocol
