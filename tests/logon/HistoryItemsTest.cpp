// The logon history list: splitting combined logon texts, the password rule, the duplicate
// key, the size limit, the display text, and the scrambled stored form.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "logon/HistoryItems.h"

namespace vek {
namespace {

std::vector<std::string> DisplayTexts(const THistoryItems& list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.Count(); ++i) texts.push_back(list[i].DisplayText());
  return texts;
}

TEST(HistoryItems, SeventhLogonDropsTheOldestAndTakesTheFront) {
  THistoryItems list;
  list.Size = 6;
  for (int i = 1; i <= 7; ++i) list.AddLogon("user" + std::to_string(i), "", "db", "", true);
  EXPECT_EQ(DisplayTexts(list), (std::vector<std::string>{"user7@db", "user6@db", "user5@db",
                                                          "user4@db", "user3@db", "user2@db"}));
}

TEST(HistoryItems, SizeZeroDoesNotLimit) {
  THistoryItems list;
  for (int i = 0; i < 40; ++i) list.AddLogon("u" + std::to_string(i), "", "", "", true);
  EXPECT_EQ(list.Count(), 40);
}

TEST(HistoryItems, RepeatedLogonInAnotherLetterCaseMovesToTheFront) {
  THistoryItems list;
  list.WithPassword = true;
  list.AddLogon("scott", "old", "orcl", "", true);
  list.AddLogon("system", "", "orcl", "", true);
  list.AddLogon("SCOTT", "new", "ORCL", "", true);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0].Username, "SCOTT") << "the new entry keeps its own letter case";
  EXPECT_EQ(list[0].Password, "new");
  EXPECT_EQ(list[1].Username, "system");
}

TEST(HistoryItems, ModesAreSeparateEntriesAndTheirLetterCaseDoesNotSplitThem) {
  THistoryItems list;
  list.AddLogon("sys", "", "orcl", "SYSDBA", true);
  list.AddLogon("sys", "", "orcl", "", true);
  list.AddLogon("sys/x@orcl as sysdba", "", "", "", true);
  EXPECT_EQ(DisplayTexts(list), (std::vector<std::string>{"sys@orcl as SYSDBA", "sys@orcl"}));
}

TEST(HistoryItems, PasswordsAreKeptOnlyWithWithPassword) {
  THistoryItems list;
  list.AddLogon("scott", "tiger", "orcl", "", true);
  list.AddLogon("adams/wood@orcl", "", "", "", true);
  EXPECT_EQ(list[0].Password, "");
  EXPECT_EQ(list[1].Password, "");
  list.WithPassword = true;
  list.AddLogon("scott", "tiger", "orcl", "", true);
  EXPECT_EQ(list[0].Password, "tiger");
}

struct SplitCase {
  std::string combined;
  std::string username, password, database, connectAs;
};

TEST(HistoryItems, CombinedUserNamesAreSplit) {
  const std::vector<SplitCase> cases = {
      {"scott/tiger@orcl", "scott", "tiger", "orcl", ""},
      {"scott/tiger@orcl as sysdba", "scott", "tiger", "orcl", "SYSDBA"},
      {"sys/pw as sysoper", "sys", "pw", "", "SYSOPER"},
      {"sys as sysdba", "sys", "", "", "SYSDBA"},
      {"scott@orcl", "scott", "", "orcl", ""},
      {"scott/@", "scott", "", "", ""},
      {"scott/tiger@", "scott", "tiger", "", ""},
      {"scott/@ as SYSDBA", "scott", "", "", "SYSDBA"},
      {"scott@orcl/tiger", "scott", "tiger", "orcl", ""},
      {"scott", "scott", "", "", ""},
  };
  for (const SplitCase& c : cases) {
    THistoryItems list;
    list.WithPassword = true;
    list.AddLogon(c.combined, "", "", "", true);
    ASSERT_EQ(list.Count(), 1) << c.combined;
    EXPECT_EQ(list[0].Username, c.username) << c.combined;
    EXPECT_EQ(list[0].Password, c.password) << c.combined;
    EXPECT_EQ(list[0].Database, c.database) << c.combined;
    EXPECT_EQ(list[0].ConnectAs, c.connectAs) << c.combined;
  }
}

TEST(HistoryItems, ModeInThePasswordSurvivesWithoutPasswords) {
  THistoryItems list;
  list.AddLogon("sys/secret as sysdba", "", "", "", true);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0].Password, "");
  EXPECT_EQ(list[0].ConnectAs, "SYSDBA");
}

TEST(HistoryItems, EmptyUserNamesAddNothing) {
  THistoryItems list;
  list.AddLogon("", "pw", "orcl", "", true);
  list.AddLogon("/pw@orcl", "", "", "", true);
  EXPECT_EQ(list.Count(), 0);
}

TEST(HistoryItems, DisplayAndStoredTextWithAnEmptyDatabase) {
  THistoryItems list;
  list.WithPassword = true;
  list.AddLogon("sys", "pw", "", "SYSDBA", true);
  list.AddLogon("scott", "", "", "", true);
  EXPECT_EQ(list[1].DisplayText(), "sys as SYSDBA");
  EXPECT_EQ(list[1].LogonText(), "sys/pw@ as SYSDBA");
  EXPECT_EQ(list[0].DisplayText(), "scott");
  EXPECT_EQ(list[0].LogonText(), "scott/@");

  for (int i = 0; i < list.Count(); ++i) {
    THistoryItems reread;
    reread.WithPassword = true;
    reread.AddLogon(list[i].LogonText(), "", "", "", false);
    ASSERT_EQ(reread.Count(), 1);
    EXPECT_EQ(reread[0].Username, list[i].Username);
    EXPECT_EQ(reread[0].Password, list[i].Password);
    EXPECT_EQ(reread[0].Database, list[i].Database);
    EXPECT_EQ(reread[0].ConnectAs, list[i].ConnectAs);
  }
}

TEST(HistoryItems, IndexOutsideTheListThrows) {
  THistoryItems list;
  EXPECT_THROW(list.Item(0), std::out_of_range);
}

void ExpectFourDigitGroups(const std::string& encoded, std::size_t characters) {
  ASSERT_EQ(encoded.size(), (characters + 1) * 4);
  for (std::size_t i = 0; i < encoded.size(); i += 4) {
    const int group = std::stoi(encoded.substr(i, 4));
    EXPECT_GE(group, 1000) << "group " << i / 4 << " of " << encoded;
  }
}

TEST(HistoryScrambling, EveryCodeRoundTripsInFourDigitGroups) {
  std::string everyCode;
  for (int c = 0; c < 256; ++c) everyCode += static_cast<char>(c);
  for (int round = 0; round < 50; ++round) {
    const std::string encoded = EncodeHistoryText(everyCode);
    ExpectFourDigitGroups(encoded, everyCode.size());
    EXPECT_EQ(DecodeHistoryText(encoded), everyCode);
  }
  // Each code at the last of 256 positions, where the mask is largest.
  for (int c = 0; c < 256; ++c) {
    const std::string text = std::string(255, 'x') + static_cast<char>(c);
    const std::string encoded = EncodeHistoryText(text);
    ExpectFourDigitGroups(encoded, text.size());
    EXPECT_EQ(DecodeHistoryText(encoded), text);
  }
  const std::string longer(1000, '\xFF');
  ExpectFourDigitGroups(EncodeHistoryText(longer), longer.size());
  EXPECT_EQ(DecodeHistoryText(EncodeHistoryText(longer)), longer);
}

TEST(HistoryScrambling, SavesScrambleDifferently) {
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) seen.insert(EncodeHistoryText("scott/@orcl"));
  EXPECT_GT(seen.size(), 1u) << "the seed is drawn at random";
}

TEST(HistoryScrambling, DecodingStopsAtAnUnreadableGroup) {
  const std::string encoded = EncodeHistoryText("scott/@orcl");
  struct Case {
    std::string stored, expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"12", ""},
      {"abcd" + encoded.substr(4), ""},
      {encoded.substr(0, 12) + "x" + encoded.substr(13), "sc"},
      {encoded.substr(0, 14), "sc"},
      {encoded.substr(0, 4), ""},
      {encoded.substr(0, 8) + "0000" + encoded.substr(12), "s"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeHistoryText(c.stored), c.expected) << c.stored;
}

TEST(HistoryItems, OneProcessWideList) {
  EXPECT_EQ(&LogonHistory(), &LogonHistory());
  EXPECT_EQ(LogonHistory().Size, 0);
  EXPECT_FALSE(LogonHistory().WithPassword);
}

}  // namespace
}  // namespace vek
