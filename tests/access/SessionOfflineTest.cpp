// What a session does without a connection: the logon-text rules, ODBC detection, the guarded
// setters, the stored-form reading with DesignConnection, settings kept for the next logon,
// the per-connection values' defaults, and the busy cursor through the UI hooks.
#include <gtest/gtest.h>

#include <cstddef>

#include "access/OracleQuery.h"
#include "access/OracleSession.h"
#include "access/SessionList.h"
#include "access/StoredFormReader.h"
#include "client/ClientLibraryLocation.h"
#include "platform/Exception.h"
#include "platform/ProgramArguments.h"
#include "platform/Registry.h"
#include "platform/UiHooks.h"
#include "tests/client/ClientTestEnvironment.h"

namespace vek {
namespace {

struct LogonTextCase {
  std::string username, password, database;
  TConnectAsOption connectAsBefore;
  std::string expectedJoined, expectedUsername, expectedPassword, expectedDatabase;
  TConnectAsOption expectedConnectAs;
};

TEST(SessionLogonTextTest, NormalizeLogonSplitsTheJoinedText) {
  const std::vector<LogonTextCase> cases = {
      {"scott", "tiger", "orcl", caNormal, "scott/tiger@orcl", "scott", "tiger", "orcl", caNormal},
      {"scott/tiger@orcl AS SYSOPER", "", "", caNormal, "scott/tiger@orcl AS SYSOPER", "scott",
       "tiger", "orcl", caSYSOPER},
      {"sys", "pw", "orcl as sysdba", caNormal, "sys/pw@orcl as sysdba", "sys", "pw", "orcl",
       caSYSDBA},
      {"/@orcl", "", "", caNormal, "/@orcl", "", "", "orcl", caNormal},
      {"scott", "p@ss", "orcl", caNormal, "scott/p@ss@orcl", "scott", "p", "ss@orcl", caNormal},
      {"scott", "", "", caSYSDBA, "scott", "scott", "", "", caSYSDBA},
      {"scott as normal", "", "", caSYSDBA, "scott as normal", "scott", "", "", caNormal},
      {"scott/tiger", "", "", caNormal, "scott/tiger", "scott", "tiger", "", caNormal},
  };
  for (const LogonTextCase& c : cases) {
    TOracleSession session;
    session.SetLogonUsername(c.username);
    session.SetLogonPassword(c.password);
    session.SetLogonDatabase(c.database);
    session.ConnectAs = c.connectAsBefore;
    const std::string what =
        "logon \"" + c.username + "\" \"" + c.password + "\" \"" + c.database + "\"";
    EXPECT_EQ(session.NormalizeLogon(), c.expectedJoined) << what;
    EXPECT_EQ(session.LogonUsername(), c.expectedUsername) << what;
    EXPECT_EQ(session.LogonPassword(), c.expectedPassword) << what;
    EXPECT_EQ(session.LogonDatabase(), c.expectedDatabase) << what;
    EXPECT_EQ(session.ConnectAs, c.expectedConnectAs) << what;
  }
}

TEST(SessionLogonTextTest, OdbcModeFollowsUserNameAndDatabase) {
  TOracleSession session;
  EXPECT_FALSE(session.ODBCMode());
  session.SetLogonDatabase("odbc:sales");
  EXPECT_TRUE(session.ODBCMode());
  session.SetLogonDatabase("orcl");
  EXPECT_FALSE(session.ODBCMode());
  session.SetLogonUsername("scott@ODBC:x");
  EXPECT_TRUE(session.ODBCMode());
}

TEST(SessionLogonTextTest, OnlyAnOracle7BannerLeavesTheVersion8Interface) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"Oracle7 Server Release 7.3.4.0.0 - Production", true},
      {"Personal Oracle Release 7.3.2.0.0 - Production", true},
      {"Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production", false},
      {"Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production", false},
      {"Oracle Database 10g Enterprise Edition Release 10.2.0.1.0 - Production", false},
      {"Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production", false},
      {"Oracle Database 23ai Free Release 23.0.0.0.0 - Develop, Learn, and Run for Free", false},
      {"", false},
  };
  for (const auto& [banner, oracle7] : cases) {
    EXPECT_EQ(TOracleSession::IsOracle7Server(banner), oracle7) << banner;
  }
}

TEST(SessionOfflineTest, AnOdbcDatabaseChoosesTheVersion7LibraryUnlessOCA60IsInstalled) {
  testing::ClientTestEnvironment environment;
  TOracleSession session;
  session.SetLogonDatabase("ODBC:sales");
  session.ChooseODBCLibrary();
  EXPECT_EQ(OCIDLL(), "ora73.dll");
  SetOCIDLL("forced.so");
  session.ChooseODBCLibrary();
  EXPECT_EQ(OCIDLL(), "forced.so") << "a chosen library stays";
  SetOCIDLL("");
  ASSERT_TRUE(WriteRegistryString(RegistryRoot::rrLocalMachine, "SOFTWARE\\ORACLE", "OCA60", "1"));
  session.SetLogonDatabase("odbc:other");
  EXPECT_TRUE(session.OCA60Present());
  session.ChooseODBCLibrary();
  EXPECT_EQ(OCIDLL(), "");
}

TEST(SessionOfflineTest, TheVersion7AreasHaveTheSizesOfTheClientLibrary) {
  // A genuine 64-bit client writes 88-byte cursor and logon data areas and a 512-byte host
  // data area; a 32-bit one 64 and 256 bytes.
  const bool wide = sizeof(void*) == 8;
  EXPECT_EQ(sizeof(Cda_Def), wide ? 88u : 64u);
  EXPECT_GE(HDA_SIZE, wide ? 512u : 256u);
  // The fields the layer reads, where the library writes them.
  EXPECT_EQ(offsetof(Cda_Def, ft), 2u);
  EXPECT_EQ(offsetof(Cda_Def, rpc), 4u);
  EXPECT_EQ(offsetof(Cda_Def, peo), 8u);
  EXPECT_EQ(offsetof(Cda_Def, rc), 12u);
  EXPECT_EQ(offsetof(Cda_Def, rid.rd.rcs4), 20u);
  EXPECT_EQ(offsetof(Cda_Def, rid.rd.rcs5), 24u);
  EXPECT_EQ(offsetof(Cda_Def, rid.rcs7), 28u);
  EXPECT_EQ(offsetof(Cda_Def, rid.rcs8), 32u);
}

TEST(SessionOfflineTest, GuardedSettersRaiseOnlyWhenConnected) {
  TOracleSession session;
  session.SetThreadSafe(true);
  session.SetPooling(spInternal);
  session.SetMTSOptions(moImplicit);
  session.Preferences().SetUseOCI7(true);
  EXPECT_TRUE(session.ThreadSafe());
  EXPECT_EQ(session.Pooling(), spInternal);
  EXPECT_EQ(session.MTSOptions(), static_cast<TMTSOptions>(moImplicit));
  EXPECT_TRUE(session.Preferences().UseOCI7());
}

TEST(SessionOfflineTest, PreferencesCopyEveryValue) {
  TOracleSession source;
  source.Preferences().FloatPrecision = 15;
  source.Preferences().IntegerPrecision = 5;
  source.Preferences().SmallIntPrecision = 3;
  source.Preferences().SetUseOCI7(true);
  source.Preferences().ConvertCRLF = false;
  source.Preferences().TrimStringFields = false;
  source.Preferences().MaxStringFieldSize = 99;
  source.Preferences().ZeroDateIsNull = false;
  source.Preferences().NullLOBIsEmpty = true;
  TOracleSession copy;
  copy.SetPreferences(source.Preferences());
  const TSessionPreferences& p = copy.Preferences();
  EXPECT_EQ(p.FloatPrecision, 15);
  EXPECT_EQ(p.IntegerPrecision, 5);
  EXPECT_EQ(p.SmallIntPrecision, 3);
  EXPECT_TRUE(p.UseOCI7());
  EXPECT_FALSE(p.ConvertCRLF);
  EXPECT_FALSE(p.TrimStringFields);
  EXPECT_EQ(p.MaxStringFieldSize, 99);
  EXPECT_FALSE(p.ZeroDateIsNull);
  EXPECT_TRUE(p.NullLOBIsEmpty);
}

class RemoteDataModuleOwner : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ParentClassName() const override { return "TRemoteDataModule"; }
};

TEST(SessionOfflineTest, MaxStringFieldSizeDependsOnTheOwner) {
  RemoteDataModuleOwner owner;
  TOracleSession& owned = owner.CreateOwned<TOracleSession>();
  EXPECT_EQ(owned.Preferences().MaxStringFieldSize, 255);
  TOracleSession free;
  EXPECT_EQ(free.Preferences().MaxStringFieldSize, 0);
}

TEST(SessionOfflineTest, DesignConnectionIgnoresStoredLogonWhileTheFormIsRead) {
  struct Case {
    bool designConnection;
    bool designing;
    bool expectValuesKept;
  };
  for (const Case c :
       {Case{true, false, false}, Case{false, false, true}, Case{true, true, true}}) {
    TOracleSession session;
    session.SetDesigning(c.designing);
    int afterLogOn = 0;
    session.AfterLogOn = [&](TOracleSession&) { ++afterLogOn; };
    {
      TStoredFormReader reader({&session});
      session.DesignConnection = c.designConnection;
      session.SetLogonUsername("scott");
      session.SetLogonPassword("tiger");
      session.SetLogonDatabase("orcl");
      if (!c.expectValuesKept) session.SetConnected(true);  // ignored under the guard
    }
    EXPECT_EQ(session.LogonUsername(), c.expectValuesKept ? "scott" : "");
    EXPECT_EQ(session.LogonPassword(), c.expectValuesKept ? "tiger" : "");
    EXPECT_EQ(session.LogonDatabase(), c.expectValuesKept ? "orcl" : "");
    EXPECT_FALSE(session.Connected());
    EXPECT_EQ(afterLogOn, 0);
    EXPECT_FALSE(session.IsLoading());
  }
}

TEST(SessionOfflineTest, SettingsAreKeptForTheNextLogonAndRunNothing) {
  TOracleSession session;
  session.SetSQLTrace(stTrue);
  session.SetOptimizerGoal(ogFirstRows);
  session.SetIsolationLevel(ilSerializable);
  EXPECT_EQ(session.SQLTrace(), stTrue);
  EXPECT_EQ(session.OptimizerGoal(), ogFirstRows);
  EXPECT_EQ(session.IsolationLevel(), ilSerializable);
  session.Commit();
  session.Rollback();
  EXPECT_EQ(session.SessionId(), "");
}

TEST(SessionOfflineTest, BytesPerCharacterWithoutAConnection) {
  struct Case {
    TBytesPerCharacterOption option;
    std::int32_t effective;
  };
  for (const Case c : {Case{bcAutoDetect, 1}, Case{bc1Byte, 1}, Case{bc2Bytes, 2},
                       Case{bc3Bytes, 3}, Case{bc4Bytes, 4}}) {
    TOracleSession session;
    session.SetBytesPerCharacter(c.option);
    EXPECT_EQ(session.EffectiveBytesPerCharacter(), c.effective) << "option " << c.option;
    EXPECT_EQ(session.MaxStringLength(), 2000 / c.effective) << "version 7 limit";
  }
  TOracleSession session;
  session.SetBytesPerCharacter(bc3Bytes);
  EXPECT_EQ(session.MaxStringLength(), 666);
}

TEST(SessionOfflineTest, DateFormatLengthWithoutAConnectionIsForty) {
  TOracleSession session;
  EXPECT_EQ(session.DateFormatLength(), 40);
}

TEST(SessionOfflineTest, TheSessionIsOnTheProcessWideListWhileItLives) {
  auto contains = [](TOracleSession* session) {
    const auto sessions = SessionList::Sessions();
    return std::find(sessions.begin(), sessions.end(), session) != sessions.end();
  };
  auto session = std::make_unique<TOracleSession>();
  TOracleSession* address = session.get();
  EXPECT_TRUE(contains(address));
  session.reset();
  EXPECT_FALSE(contains(address));
}

TEST(SessionOfflineTest, StatementsLetGoOfADestroyedSession) {
  TOracleQuery query;
  {
    TOracleSession session;
    query.SetSession(&session);
    EXPECT_EQ(query.Session(), &session);
  }
  EXPECT_EQ(query.Session(), nullptr);
}

TEST(QueryOfflineTest, StateErrorsAndDefaults) {
  TOracleQuery query;
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.ReadBuffer(), 25);
  query.SetReadBuffer(0);
  EXPECT_EQ(query.ReadBuffer(), 1);
  query.SetReadBuffer(-5);
  EXPECT_EQ(query.ReadBuffer(), 1);
  EXPECT_EQ(query.FieldCount(), 0);
  query.Next();  // nothing at Eof
  try {
    query.Execute();
    FAIL() << "Execute without a session must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Session undefined");
  }
  try {
    query.FieldAsString(3);
    FAIL() << "a missing column must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Field 3 does not exist");
  }
  EXPECT_EQ(query.FieldIndex("USERNAME"), -1);
  EXPECT_THROW(query.Field("USERNAME"), Exception);
  EXPECT_EQ(query.RowsProcessed(), 0);
}

TEST(QueryOfflineTest, ExecuteOnADisconnectedSessionRaisesNotLoggedOn) {
  testing::ClientTestEnvironment environment;
  SetProgramArguments({"access-test", std::string("OCIDLL=") + VEK_FAKE_BOTH});
  TOracleSession session;
  TOracleQuery query;
  query.SetSession(&session);
  query.SQL = {"select * from dual"};
  // The statement loads the client library itself before it finds the session disconnected.
  try {
    query.Execute();
    FAIL() << "Execute on a disconnected session must raise";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "Not logged on");
  }
  EXPECT_TRUE(ClientLibraryLoaded());
  EXPECT_TRUE(query.Eof());
}

}  // namespace
}  // namespace vek
