// What a genuine client library holds the access layer to and a forgiving one would let
// pass: descriptors the program must free, errors that only the environment handle carries,
// identifiers of 128 bytes, and ROWID text from the library where it can write it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "access/OracleError.h"
#include "client/ClientLibrary.h"
#include "client/OracleCallTable.h"
#include "platform/ProgramArguments.h"
#include "tests/access/AccessFixture.h"

namespace vek::testing {
namespace {

constexpr ub4 kParamDescriptor = 53;

// The substitute library's own count of the descriptors alive in an environment; it is no
// Oracle entry point, so the test asks the loaded library for it directly.
std::size_t LiveDescriptors(const std::string& library, OCIEnv* environment, ub4 type) {
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(handle, nullptr) << "the library must already be loaded";
  if (handle == nullptr) return static_cast<std::size_t>(-1);
  using Count = std::size_t (*)(const void*, ub4);
  auto count = reinterpret_cast<Count>(dlsym(handle, "devdbLiveDescriptorCount"));
  const std::size_t result = count ? count(environment, type) : static_cast<std::size_t>(-1);
  dlclose(handle);
  return result;
}

class ClientCallsTest : public AccessTest {};

TEST_P(ClientCallsTest, DescribesGiveBackEveryParameterDescriptor) {
  if (!ExpectsVersion8(Mode())) GTEST_SKIP() << "the version-7 describe has no descriptors";
  TOracleSession& session = LoggedOn();
  TOracleQuery query;
  query.SetSession(&session);
  for (int k = 0; k < 1000; ++k) {
    // A new text each time: every describe asks the library for the columns again.
    query.SQL = {"select " + std::to_string(k) + " a, 'x' b from dual"};
    query.Describe();
    ASSERT_EQ(query.FieldCount(), 2);
  }
  EXPECT_EQ(LiveDescriptors(LibraryOf(Mode()), session.EnvironmentHandle(), kParamDescriptor),
            0u);
}

TEST_P(ClientCallsTest, FailedEnvironmentAndFirstHandlesReportTheLibrarysText) {
  if (!ExpectsVersion8(Mode())) GTEST_SKIP() << "the version-7 logon makes no environment";
  // "environment": OCIEnvCreate fails; "2" and "3": the error handle and service context.
  for (const char* failing : {"environment", "2", "3"}) {
    SCOPED_TRACE(failing);
    ScopedEnvironmentVariable forced("DEVDB_OCI_FAIL_ALLOCATION", failing);
    TOracleSession& session = NewSession();
    try {
      session.LogOn();
      ADD_FAILURE() << "the logon must fail";
    } catch (const EOracleError& error) {
      EXPECT_EQ(error.ErrorCode(), 1019);
      EXPECT_NE(std::string(error.what()).find("ORA-01019: unable to allocate memory in the user side"),
                std::string::npos)
          << error.what();
    }
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(session.EnvironmentHandle(), nullptr) << "the failed environment is given back";
  }
  // Without the forced failure the same session logs on.
  TOracleSession& session = NewSession();
  session.LogOn();
  EXPECT_TRUE(session.Connected());
}

TEST_P(ClientCallsTest, FailedStatementHandlesReportTheLibrarysText) {
  if (!ExpectsVersion8(Mode())) GTEST_SKIP() << "the version-7 cursor allocates no handles";
  TOracleSession& session = LoggedOn();
  // "2": the statement's error handles (opening); "4": its statement handle (preparing).
  for (const char* failing : {"2", "4"}) {
    SCOPED_TRACE(failing);
    TOracleQuery query;
    query.SetSession(&session);
    query.SQL = {"select 1 from dual"};
    {
      ScopedEnvironmentVariable forced("DEVDB_OCI_FAIL_ALLOCATION", failing);
      try {
        query.Execute();
        ADD_FAILURE() << "the execution must fail";
      } catch (const EOracleError& error) {
        EXPECT_EQ(error.ErrorCode(), 1019);
        EXPECT_NE(std::string(error.what()).find("ORA-01019: unable to allocate memory in the user side"),
                  std::string::npos)
            << error.what();
      }
      EXPECT_TRUE(query.Eof());
    }
    // Nothing is left half made: the same statement runs once the library allocates again.
    query.Execute();
    EXPECT_EQ(query.FieldAsInteger(0), 1);
  }
}

TEST_P(ClientCallsTest, AliasesOfOneHundredAndTwentyEightBytesStayWhole) {
  TOracleSession& session = LoggedOn();
  const std::string alias = "A" + std::string(126, 'B') + "Z";
  ASSERT_EQ(alias.size(), 128u);
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select 1 " + alias + " from dual"};
  query.Execute();
  // The version-7 describe has a 30-byte name buffer, as the old interface has.
  EXPECT_EQ(query.FieldName(0), ExpectsVersion8(Mode()) ? alias : alias.substr(0, 30));
  EXPECT_EQ(query.FieldIndex(ExpectsVersion8(Mode()) ? alias : alias.substr(0, 30)), 0);

  query.SQL = {"select 1 " + alias + "X from dual"};
  try {
    query.Execute();
    ADD_FAILURE() << "a 129-byte alias must be refused";
  } catch (const EOracleError& error) {
    EXPECT_EQ(error.ErrorCode(), 972) << error.what();
  }
}

TEST_P(ClientCallsTest, RowIdOfTheLastRowTouched) {
  TOracleSession& session = LoggedOn();
  Run(session, "create table rowid_probe (n number)");
  TOracleQuery insert;
  insert.SetSession(&session);
  insert.SQL = {"insert into rowid_probe values (7)"};
  insert.Execute();
  const std::string rowid = insert.RowId();
  EXPECT_EQ(rowid.size(), 18u) << rowid;
  EXPECT_EQ(One(session, "select rowid from rowid_probe where n = 7"), rowid);
  if (ExpectsVersion8(Mode())) {
    EXPECT_NE(OracleCalls.OCIRowidToChar, nullptr) << "this library writes the text itself";
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ClientCallsTest, VEK_ALL_CLIENT_MODES);

// An 8.1 library has both families but no OCIRowidToChar: the descriptor is read the old way.
class OldRowidLibraryTest : public AccessTest {
 protected:
  OldRowidLibraryTest() {
    SetProgramArguments(std::vector<std::string>{"access-test",
                                                 std::string("OCIDLL=") + VEK_DEVDB_CLNTSH_V81});
  }
};

TEST_P(OldRowidLibraryTest, RowIdWithoutTheLibrarysTextCall) {
  TOracleSession& session = LoggedOn();
  ASSERT_TRUE(session.UsesOCI8());
  EXPECT_EQ(OracleCalls.OCIRowidToChar, nullptr);
  EXPECT_TRUE(HasOCI81()) << "the optional entry point decides no family";
  Run(session, "create table rowid_probe (n number)");
  TOracleQuery insert;
  insert.SetSession(&session);
  insert.SQL = {"insert into rowid_probe values (7)"};
  insert.Execute();
  const std::string rowid = insert.RowId();
  EXPECT_EQ(rowid.size(), 18u) << rowid;
  EXPECT_EQ(One(session, "select rowid from rowid_probe where n = 7"), rowid);
}

INSTANTIATE_TEST_SUITE_P(Library81, OldRowidLibraryTest, ::testing::Values(ClientMode::Version8),
                         ModeName);

}  // namespace
}  // namespace vek::testing
