// Rows per second fetching 100,000 rows through the whole access layer (TOracleSession,
// TOracleQuery, FieldAsInteger and FieldAsString per row) with ReadBuffer 25 and 500, each
// next to the same fetch made straight through the substitute client library's version-8
// calls in the same run, so that the layer's own overhead shows as a ratio. Starts its own
// devdb --memory on a port the system picks and loads the library through OCIDLL.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "access/OracleConstants.h"
#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "client/ClientLibrary.h"
#include "platform/ProgramArguments.h"
#include "tests/support/DevdbProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 100000;

void Run(vek::TOracleSession& session, const std::string& sql) {
  vek::TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {sql};
  query.Execute();
}

// 100 x 100 x 10 rows from two small tables.
void FillTable(vek::TOracleSession& session) {
  Run(session, "create table digits100 (n number(9))");
  Run(session, "create table digits10 (n number(9))");
  for (int i = 0; i < 100; ++i)
    Run(session, "insert into digits100 values (" + std::to_string(i) + ")");
  for (int i = 0; i < 10; ++i)
    Run(session, "insert into digits10 values (" + std::to_string(i) + ")");
  Run(session, "create table big (n number(9), t varchar2(20))");
  Run(session,
      "insert into big select a.n * 1000 + b.n * 10 + c.n, 'row ' || (a.n * 1000 + b.n * 10 + c.n) "
      "from digits100 a, digits100 b, digits10 c");
  session.Commit();
}

double LayerRowsPerSecond(vek::TOracleSession& session, int readBuffer, long long& checksum) {
  vek::TOracleQuery query;
  query.SetSession(&session);
  query.SetReadBuffer(readBuffer);
  query.SQL = {"select n, t from big"};
  const auto start = Clock::now();
  query.Execute();
  int rows = 0;
  while (!query.Eof()) {
    checksum += query.FieldAsInteger(0);
    checksum += static_cast<long long>(query.FieldAsString(1).size());
    ++rows;
    query.Next();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (rows != kRows) throw std::runtime_error("layer fetched " + std::to_string(rows) + " rows");
  return rows / seconds;
}

// The same fetch with nothing but the library's own calls on the session's handles.
double LibraryRowsPerSecond(vek::TOracleSession& session, int readBuffer, long long& checksum) {
  using namespace vek;
  const auto& oci = OracleCalls;
  void* handle = nullptr;
  oci.OCIHandleAlloc(session.EnvironmentHandle(), &handle, OCI_HTYPE_ERROR, 0, nullptr);
  auto* error = static_cast<OCIError*>(handle);
  oci.OCIHandleAlloc(session.EnvironmentHandle(), &handle, OCI_HTYPE_STMT, 0, nullptr);
  auto* statement = static_cast<OCIStmt*>(handle);
  ub4 none = 0;
  oci.OCIAttrSet(statement, OCI_HTYPE_STMT, &none, 0, OCI_ATTR_PREFETCH_ROWS, error);
  const std::string text = "select n, t from big";
  const auto start = Clock::now();
  oci.OCIStmtPrepare(statement, error, reinterpret_cast<const OraText*>(text.data()),
                     static_cast<ub4>(text.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
  if (oci.OCIStmtExecute(session.ServiceContext(), statement, error, 0, 0, nullptr, nullptr,
                         OCI_DEFAULT) != OCI_SUCCESS) {
    throw std::runtime_error("the library's execute failed");
  }
  std::vector<std::int32_t> numbers(readBuffer);
  std::vector<char> texts(static_cast<std::size_t>(readBuffer) * 21);
  std::vector<sb2> indicators(2 * static_cast<std::size_t>(readBuffer));
  std::vector<ub2> lengths(2 * static_cast<std::size_t>(readBuffer));
  OCIDefine* define = nullptr;
  oci.OCIDefineByPos(statement, &define, error, 1, numbers.data(), 4, 3, indicators.data(),
                     lengths.data(), nullptr, OCI_DEFAULT);
  define = nullptr;
  oci.OCIDefineByPos(statement, &define, error, 2, texts.data(), 21, 5,
                     indicators.data() + readBuffer, lengths.data() + readBuffer, nullptr,
                     OCI_DEFAULT);
  ub4 before = 0;
  int rows = 0;
  for (;;) {
    const sword status = oci.OCIStmtFetch(statement, error, static_cast<ub4>(readBuffer),
                                          OCI_FETCH_NEXT, OCI_DEFAULT);
    ub4 count = 0;
    oci.OCIAttrGet(statement, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, error);
    const int fetched = static_cast<int>(count - before);
    before = count;
    for (int row = 0; row < fetched; ++row) {
      checksum += numbers[row];
      checksum += static_cast<long long>(std::strlen(texts.data() + row * 21));
    }
    rows += fetched;
    if (status != OCI_SUCCESS || fetched < readBuffer) break;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  oci.OCIHandleFree(statement, OCI_HTYPE_STMT);
  oci.OCIHandleFree(error, OCI_HTYPE_ERROR);
  if (rows != kRows) throw std::runtime_error("library fetched " + std::to_string(rows) + " rows");
  return rows / seconds;
}

}  // namespace

int main() {
  try {
    devdb::testing::DevdbProcess server({"--memory"});
    vek::SetProgramArguments({"bench_access_fetch", std::string("OCIDLL=") + VEK_DEVDB_CLNTSH});
    vek::TOracleSession session;
    session.Cursor = vek::crDefault;
    session.SetLogonUsername("system");
    session.SetLogonPassword("manager");
    session.SetLogonDatabase("127.0.0.1:" + std::to_string(server.Port()));
    session.LogOn();
    FillTable(session);
    std::printf("Fetching %d rows (NUMBER(9) and VARCHAR2(20)) from devdb over loopback\n", kRows);
    std::printf("%-12s %18s %18s %10s\n", "ReadBuffer", "layer rows/s", "library rows/s",
                "layer/lib");
    long long layerSum = 0;
    long long librarySum = 0;
    for (int readBuffer : {25, 500}) {
      // One warm-up pass each, then the measured pass.
      LayerRowsPerSecond(session, readBuffer, layerSum);
      LibraryRowsPerSecond(session, readBuffer, librarySum);
      layerSum = librarySum = 0;
      const double layer = LayerRowsPerSecond(session, readBuffer, layerSum);
      const double library = LibraryRowsPerSecond(session, readBuffer, librarySum);
      std::printf("%-12d %18.0f %18.0f %10.2f\n", readBuffer, layer, library, layer / library);
      if (layerSum != librarySum) {
        std::fprintf(stderr, "checksums differ: layer %lld, library %lld\n", layerSum, librarySum);
        return 1;
      }
    }
    session.LogOff();
    server.Stop(SIGTERM);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_access_fetch: %s\n", error.what());
    return 1;
  }
}
