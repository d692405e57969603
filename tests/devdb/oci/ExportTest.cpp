// The library as the program's loader sees it: each build exports exactly its families'
// names and nothing else, and an entry point without real behaviour answers ORA-03001
// instead of crashing.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "devdb/oci/OciTypes.h"

namespace {

std::vector<std::string> Names(const char* file) {
  std::ifstream in(file);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

class Library {
 public:
  explicit Library(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  bool Loaded() const { return handle_ != nullptr; }
  void* Symbol(const std::string& name) const { return dlsym(handle_, name.c_str()); }

 private:
  void* handle_;
};

struct Variant {
  const char* description;
  const char* path;
  bool version7;
  bool version8;
  bool version9;  // the Oracle 9 additions (OCIRowidToChar)
};

void PrintTo(const Variant& v, std::ostream* out) { *out << v.description; }

class ExportTest : public ::testing::TestWithParam<Variant> {};

TEST_P(ExportTest, ExportsItsFamiliesAndNoOtherName) {
  const Variant& v = GetParam();
  Library library(v.path);
  ASSERT_TRUE(library.Loaded()) << dlerror();
  const auto v7 = Names(EXPORTS_V7);
  const auto v8 = Names(EXPORTS_V8);
  ASSERT_EQ(v7.size(), 22u);
  ASSERT_EQ(v8.size(), 124u) << "114 names of the family and 10 additions";
  for (const auto& name : v7) EXPECT_EQ(library.Symbol(name) != nullptr, v.version7) << name;
  for (const auto& name : v8) EXPECT_EQ(library.Symbol(name) != nullptr, v.version8) << name;
  for (const auto& name : Names(EXPORTS_V9))
    EXPECT_EQ(library.Symbol(name) != nullptr, v.version9) << name;
  // The library's own test entry points are in every build, under names no Oracle call has.
  for (const auto& name : Names(EXPORTS_DEVDB)) {
    EXPECT_NE(library.Symbol(name), nullptr) << name;
    EXPECT_FALSE(name.starts_with("OCI") || name.starts_with("o")) << name;
  }
  for (const char* hidden :
       {"_ZN5devdb6client10ConnectionC1ERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEEt",
        "OCIStmtPrepare2", "OCIPing"})
    EXPECT_EQ(library.Symbol(hidden), nullptr) << hidden << " must not be exported";
}

INSTANTIATE_TEST_SUITE_P(Builds, ExportTest,
                         ::testing::Values(Variant{"full", CLNTSH_FULL, true, true, true},
                                           Variant{"version 7 only", CLNTSH_V7, true, false, false},
                                           Variant{"version 8 only", CLNTSH_V8, false, true, true},
                                           Variant{"8.1", CLNTSH_V81, true, true, false}));

TEST(Unimplemented, AnswersUnimplementedFeatureThroughTheErrorHandle) {
  Library library(CLNTSH_FULL);
  ASSERT_TRUE(library.Loaded());
  using EnvCreate = sword (*)(OCIEnv**, ub4, void*, void*, void*, void*, size_t, void**);
  using HandleAlloc = sword (*)(const void*, void**, ub4, size_t, void**);
  using ErrorGet = sword (*)(void*, ub4, OraText*, sb4*, OraText*, ub4, ub4);
  using LobTrim = sword (*)(OCISvcCtx*, OCIError*, OCILobLocator*, ub4);
  using TransStart = sword (*)(OCISvcCtx*, OCIError*, uword, ub4);
  using RefIsNull = boolean (*)(OCIEnv*, const OCIRef*);
  using StringPtr = OraText* (*)(OCIEnv*, const OCIString*);
  using ExtProcMessage = size_t (*)(OCIExtProcContext*, int, OraText*, size_t);
  auto envCreate = reinterpret_cast<EnvCreate>(library.Symbol("OCIEnvCreate"));
  auto handleAlloc = reinterpret_cast<HandleAlloc>(library.Symbol("OCIHandleAlloc"));
  auto errorGet = reinterpret_cast<ErrorGet>(library.Symbol("OCIErrorGet"));
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  ASSERT_EQ(envCreate(&env, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(handleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr),
            OCI_SUCCESS);

  for (const char* name : {"OCILobTrim", "OCITransStart"}) {
    sword status = name[3] == 'L'
                       ? reinterpret_cast<LobTrim>(library.Symbol(name))(nullptr, err, nullptr, 0)
                       : reinterpret_cast<TransStart>(library.Symbol(name))(nullptr, err, 0, 0);
    EXPECT_EQ(status, OCI_ERROR) << name;
    sb4 code = 0;
    OraText text[128] = {};
    ASSERT_EQ(errorGet(err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR), OCI_SUCCESS)
        << name;
    EXPECT_EQ(code, 3001) << name;
    EXPECT_STREQ(reinterpret_cast<char*>(text), "ORA-03001: unimplemented feature\n") << name;
  }
  EXPECT_EQ(reinterpret_cast<RefIsNull>(library.Symbol("OCIRefIsNull"))(env, nullptr), 0);
  EXPECT_EQ(reinterpret_cast<StringPtr>(library.Symbol("OCIStringPtr"))(env, nullptr), nullptr);
  EXPECT_EQ(
      reinterpret_cast<ExtProcMessage>(library.Symbol("ociepmsg"))(nullptr, 20000, nullptr, 0), 0u);
  using HandleFree = sword (*)(void*, ub4);
  reinterpret_cast<HandleFree>(library.Symbol("OCIHandleFree"))(env, OCI_HTYPE_ENV);
}

}  // namespace
