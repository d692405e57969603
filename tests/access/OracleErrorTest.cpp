// EOracleError built from a session and an error source, the status rules of a session, and
// the raise that picks EOracleWarning for listed numbers; over the stand-in client library.
#include <gtest/gtest.h>

#include "access/OracleError.h"
#include "access/OracleWarning.h"
#include "access/WarningCodes.h"
#include "client/ClientLibrary.h"
#include "tests/access/FakeSession.h"
#include "tests/client/ClientTestEnvironment.h"

namespace vek {
namespace {

using testing::ClientTestEnvironment;
using testing::FakeSession;

class OracleErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramArguments({"access-test", std::string("OCIDLL=") + VEK_FAKE_BOTH});
    InitializeClient();
    WarningCodes.clear();
  }
  void TearDown() override { WarningCodes.clear(); }

  ClientTestEnvironment environment;
  FakeSession session;
};

TEST_F(OracleErrorTest, Version8ErrorCarriesTheFirstRecordsNumberAndText) {
  session.errorRecord = {1017, "ORA-01017: invalid username/password; logon denied\n"};
  const EOracleError error(session, session.ErrorSource());
  EXPECT_EQ(error.ErrorCode(), 1017);
  EXPECT_STREQ(error.what(), "ORA-01017: invalid username/password; logon denied\n");
  EXPECT_EQ(session.unlocks, 1) << "the session's lock is given back by the constructor";
}

TEST_F(OracleErrorTest, LongMessageIsCutTo1023Characters) {
  const std::string text = "ORA-06512: " + std::string(3000, 'x');
  session.errorRecord = {6512, text.c_str()};
  const EOracleError error(session, session.ErrorSource());
  EXPECT_EQ(std::string(error.what()), text.substr(0, kMaxErrorMessageLength));
}

TEST_F(OracleErrorTest, Version7ErrorTakesTheTextFromTheLogonDataArea) {
  session.usesOCI8 = false;
  session.logonDataArea.rc = 28001;
  const EOracleError error(session, session.ErrorSource());
  EXPECT_EQ(error.ErrorCode(), 28001);
  EXPECT_STREQ(error.what(), "ORA-28001: message 28001\n");
  EXPECT_EQ(session.unlocks, 1);
}

TEST_F(OracleErrorTest, EmptyErrorHandleReportsTheStatus) {
  session.SetStatus(OCI_INVALID_HANDLE);
  const EOracleError error(session, session.ErrorSource());
  EXPECT_EQ(error.ErrorCode(), OCI_INVALID_HANDLE);
  EXPECT_STREQ(error.what(), "Oracle client call failed with status -2");
}

struct StatusCase {
  const char* description;
  sword status;
  int recordCode;  // 0: the error handle holds no record
  std::int32_t expected;
};

TEST_F(OracleErrorTest, LastErrorCodeFollowsTheStatusRule) {
  const std::vector<StatusCase> cases = {
      {"success", OCI_SUCCESS, 0, 0},
      {"success ignores a stale record", OCI_SUCCESS, 942, 0},
      {"success with information reads the record", OCI_SUCCESS_WITH_INFO, 28002, 28002},
      {"success with information and no record", OCI_SUCCESS_WITH_INFO, 0, 0},
      {"error reads the record", OCI_ERROR, 1017, 1017},
      {"error without a record still fails", OCI_ERROR, 0, OCI_ERROR},
      {"invalid handle stands for itself", OCI_INVALID_HANDLE, 1017, OCI_INVALID_HANDLE},
      {"no data stands for itself", OCI_NO_DATA, 0, OCI_NO_DATA},
  };
  for (const auto& c : cases) {
    session.errorRecord = {c.recordCode, "ORA-nnnnn: text\n"};
    EXPECT_EQ(session.SetStatus(c.status), c.status == OCI_SUCCESS) << c.description;
    EXPECT_EQ(session.LastErrorCode(), c.expected) << c.description;
  }
}

TEST_F(OracleErrorTest, Version7LastErrorCodeIsTheReturnCode) {
  session.usesOCI8 = false;
  session.logonDataArea.rc = 1403;
  EXPECT_EQ(session.LastErrorCode(), 1403);
  EXPECT_EQ(std::get<ub2>(session.ErrorSource()), 1403);
}

TEST_F(OracleErrorTest, CheckLastCallRaisesASuccessWithInformationWarning) {
  session.errorRecord = {28002, "ORA-28002: the password will expire within 7 days\n"};
  session.SetStatus(OCI_SUCCESS_WITH_INFO);
  try {
    session.CheckLastCall();
    FAIL() << "status 1 with error 28002 should raise";
  } catch (const EOracleWarning&) {
    FAIL() << "no warning numbers are listed, so it is a plain EOracleError";
  } catch (const EOracleError& error) {
    EXPECT_EQ(error.ErrorCode(), 28002);
  }
  session.SetStatus(OCI_SUCCESS);
  EXPECT_NO_THROW(session.CheckLastCall());
}

TEST_F(OracleErrorTest, ListedNumbersAreRaisedAsWarnings) {
  WarningCodes = {1403};
  session.errorRecord = {1403, "ORA-01403: no data found\n"};
  session.SetStatus(OCI_ERROR);
  EXPECT_THROW(RaiseOracleError(session, session.ErrorSource()), EOracleWarning);

  session.errorRecord = {942, "ORA-00942: table or view does not exist\n"};
  try {
    RaiseOracleError(session, session.ErrorSource());
  } catch (const EOracleWarning&) {
    FAIL() << "942 is not listed";
  } catch (const EOracleError& error) {
    EXPECT_EQ(error.ErrorCode(), 942);
  }

  session.usesOCI8 = false;
  session.logonDataArea.rc = 1403;
  EXPECT_THROW(RaiseOracleError(session, session.ErrorSource()), EOracleWarning);
}

TEST_F(OracleErrorTest, ErrorIsAGeneralException) {
  session.errorRecord = {1, "ORA-00001: unique constraint violated\n"};
  EXPECT_THROW(RaiseOracleError(session, session.ErrorSource()), Exception);
}

}  // namespace
}  // namespace vek
