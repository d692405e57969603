// Handles and descriptors without a server: every way to make an environment, allocation
// and freeing, the type check that refuses a wrong or freed handle, error records with
// OCI_NO_DATA past the last, and the ROWID descriptor's readable layout.
#include <gtest/gtest.h>

#include <cstring>

#include "devdb/oci/OciApi.h"

namespace {

class HandleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OCIEnvCreate(&env_, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0,
                           nullptr),
              OCI_SUCCESS);
    ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr),
              OCI_SUCCESS);
  }
  void TearDown() override { OCIHandleFree(env_, OCI_HTYPE_ENV); }
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
};

TEST(Environment, EveryCreationModeGivesAnEnvironment) {
  ASSERT_EQ(OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr),
            OCI_SUCCESS);
  for (ub4 mode : {ub4{OCI_DEFAULT}, ub4{OCI_ENV_NO_MUTEX}}) {
    OCIEnv* env = nullptr;
    ASSERT_EQ(OCIEnvInit(&env, mode, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
  }
  for (ub4 mode :
       {ub4{OCI_DEFAULT}, ub4{OCI_THREADED}, ub4{OCI_THREADED | OCI_OBJECT}, ub4{OCI_NO_MUTEX}}) {
    OCIEnv* env = nullptr;
    void* extra = nullptr;
    ASSERT_EQ(OCIEnvCreate(&env, mode, nullptr, nullptr, nullptr, nullptr, 64, &extra),
              OCI_SUCCESS);
    ASSERT_NE(extra, nullptr);
    std::memset(extra, 0xAB, 64);  // the caller's memory is really there
    EXPECT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
  }
  EXPECT_EQ(OCIEnvCreate(nullptr, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_INVALID_HANDLE);
}

TEST_F(HandleTest, WrongOrFreedHandlesAreRefused) {
  OCIStmt* stmt = nullptr;
  ASSERT_EQ(OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr),
            OCI_SUCCESS);
  EXPECT_EQ(OCIHandleFree(stmt, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE) << "wrong type";
  EXPECT_EQ(OCIStmtPrepare(reinterpret_cast<OCIStmt*>(err_), err_,
                           reinterpret_cast<const OraText*>("select 1 from dual"), 18,
                           OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(stmt, OCI_HTYPE_STMT), OCI_SUCCESS);
  EXPECT_EQ(OCIHandleFree(stmt, OCI_HTYPE_STMT), OCI_INVALID_HANDLE) << "freed twice";
  EXPECT_EQ(OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>("select 1 from dual"), 18,
                           OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_INVALID_HANDLE);
  int notAHandle = 0;
  EXPECT_EQ(
      OCIHandleAlloc(&notAHandle, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr),
      OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIAttrSet(&notAHandle, OCI_HTYPE_SESSION, nullptr, 0, OCI_ATTR_USERNAME, err_),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(nullptr, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
}

TEST_F(HandleTest, FreeingTheEnvironmentFreesItsHandles) {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* server = nullptr;
  ASSERT_EQ(OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_SUCCESS);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&server), OCI_HTYPE_SERVER, 0, nullptr);
  ASSERT_EQ(OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
  EXPECT_EQ(OCIHandleFree(err, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE);
  EXPECT_EQ(OCIHandleFree(server, OCI_HTYPE_SERVER), OCI_INVALID_HANDLE);
}

// Binds hang below their statement and the statement below its environment: freeing or
// preparing a statement again takes its binds along and leaves another statement's alone;
// freeing an environment reaches the binds two levels down.
TEST_F(HandleTest, FreeingAHandleFreesWhatHangsBelowItOnly) {
  static sb4 value = 0;
  auto prepared = [&](OCIEnv* env) {
    OCIStmt* stmt = nullptr;
    EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr),
              OCI_SUCCESS);
    EXPECT_EQ(OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>("begin :a := 1; end;"),
                             19, OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return stmt;
  };
  auto bound = [&](OCIStmt* stmt) {
    OCIBind* bind = nullptr;
    EXPECT_EQ(
        OCIBindByName(stmt, &bind, err_, reinterpret_cast<const OraText*>(":a"), -1, &value,
                      sizeof value, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
        OCI_SUCCESS);
    return bind;
  };
  // A freed bind must be refused as a handle, not followed to its freed statement.
  auto alive = [&](OCIBind* bind) {
    const sword status =
        OCIBindArrayOfStruct(bind, err_, sizeof value, sizeof(sb2), sizeof(ub2), sizeof(ub2));
    EXPECT_TRUE(status == OCI_SUCCESS || status == OCI_INVALID_HANDLE) << "status " << status;
    return status == OCI_SUCCESS;
  };

  OCIStmt* first = prepared(env_);
  OCIStmt* second = prepared(env_);
  OCIBind* firstBind = bound(first);
  OCIBind* secondBind = bound(second);
  ASSERT_TRUE(alive(firstBind) && alive(secondBind));

  ASSERT_EQ(OCIHandleFree(first, OCI_HTYPE_STMT), OCI_SUCCESS);
  EXPECT_FALSE(alive(firstBind)) << "a freed statement's bind is still taken";
  EXPECT_TRUE(alive(secondBind)) << "freeing one statement freed another's bind";

  ASSERT_EQ(OCIStmtPrepare(second, err_, reinterpret_cast<const OraText*>("begin :a := 2; end;"),
                           19, OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_FALSE(alive(secondBind)) << "a bind of the previous text survived a new text";
  OCIBind* rebound = bound(second);
  EXPECT_TRUE(alive(rebound)) << "the statement itself went with its binds";

  OCIEnv* other = nullptr;
  ASSERT_EQ(OCIEnvCreate(&other, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_SUCCESS);
  OCIBind* otherBind = bound(prepared(other));
  ASSERT_TRUE(alive(otherBind));
  ASSERT_EQ(OCIHandleFree(other, OCI_HTYPE_ENV), OCI_SUCCESS);
  EXPECT_FALSE(alive(otherBind)) << "a bind two levels below a freed environment is still taken";
  EXPECT_TRUE(alive(rebound)) << "freeing one environment freed a bind of another";
}

TEST_F(HandleTest, ErrorRecordsEndWithNoData) {
  sb4 code = -1;
  OraText text[64] = "unchanged";
  EXPECT_EQ(OCIErrorGet(err_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR), OCI_NO_DATA);
  EXPECT_STREQ(reinterpret_cast<char*>(text), "unchanged") << "the buffers are left alone";
  OCIStmt* stmt = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  ub2 type = 0;
  EXPECT_EQ(OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, 9999, err_), OCI_ERROR);
  ASSERT_EQ(OCIErrorGet(err_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR), OCI_SUCCESS);
  EXPECT_EQ(code, 24315);
  EXPECT_STREQ(reinterpret_cast<char*>(text), "ORA-24315: illegal attribute type\n");
  EXPECT_EQ(OCIErrorGet(err_, 2, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR), OCI_NO_DATA);
  OraText tiny[5];
  ASSERT_EQ(OCIErrorGet(err_, 1, nullptr, &code, tiny, sizeof tiny, OCI_HTYPE_ERROR), OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(tiny), "ORA-") << "cut to the buffer, terminated";
  EXPECT_EQ(OCIErrorGet(env_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ENV), OCI_NO_DATA);
  EXPECT_EQ(OCIErrorGet(err_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ENV),
            OCI_INVALID_HANDLE);
}

TEST_F(HandleTest, AllocationErrorsAreReadThroughTheEnvironment) {
  void* handle = nullptr;
  EXPECT_EQ(OCIHandleAlloc(env_, &handle, 77, 0, nullptr), OCI_ERROR);
  sb4 code = 0;
  OraText text[128];
  ASSERT_EQ(OCIErrorGet(env_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ENV), OCI_SUCCESS);
  EXPECT_EQ(code, 21560);
  EXPECT_EQ(OCIDescriptorAlloc(env_, &handle, OCI_DTYPE_PARAM, 0, nullptr), OCI_ERROR)
      << "parameter descriptors come only from OCIParamGet";
}

TEST_F(HandleTest, StatementAttributesBeforeExecution) {
  OCIStmt* stmt = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  ub4 zero = 0;
  EXPECT_EQ(OCIAttrSet(stmt, OCI_HTYPE_STMT, &zero, 0, OCI_ATTR_PREFETCH_ROWS, err_), OCI_SUCCESS);
  EXPECT_EQ(OCIAttrSet(stmt, OCI_HTYPE_STMT, &zero, 0, OCI_ATTR_PREFETCH_MEMORY, err_),
            OCI_SUCCESS);
  ub4 rows = 99;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_PREFETCH_ROWS, err_);
  EXPECT_EQ(rows, 0u);
  ASSERT_EQ(OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>("select 1 from dual"), 18,
                           OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  ub4 count = 99;
  ASSERT_EQ(OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err_),
            OCI_SUCCESS);
  EXPECT_EQ(count, 0u) << "nothing is known before execution";
  EXPECT_EQ(OCIStmtFetch(stmt, err_, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  sb4 code = 0;
  OraText text[128];
  OCIErrorGet(err_, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR);
  EXPECT_EQ(code, 1002) << "fetch before execute";
}

TEST_F(HandleTest, RowidDescriptorReadsAsNoRowid) {
  OCIRowid* rowid = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&rowid), OCI_DTYPE_ROWID, 0, nullptr),
            OCI_SUCCESS);
  OCIStmt* stmt = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  ASSERT_EQ(OCIAttrGet(stmt, OCI_HTYPE_STMT, rowid, nullptr, OCI_ATTR_ROWID, err_), OCI_SUCCESS);
  void* block = reinterpret_cast<void**>(rowid)[1];  // the third 32-bit word on this platform
  EXPECT_EQ(block, nullptr) << "no ROWID: the block pointer is empty, so all four numbers read 0";
  EXPECT_EQ(OCIDescriptorFree(rowid, OCI_DTYPE_ROWID), OCI_SUCCESS);
  EXPECT_EQ(OCIDescriptorFree(rowid, OCI_DTYPE_ROWID), OCI_INVALID_HANDLE);
}

TEST_F(HandleTest, MissingOrBogusArgumentsNeverCrash) {
  int bogus[64] = {};
  void* const handles[] = {nullptr, bogus};
  for (void* h : handles) {
    auto* stmt = static_cast<OCIStmt*>(h);
    auto* svc = static_cast<OCISvcCtx*>(h);
    EXPECT_EQ(OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>("select 1 from dual"), 18,
                             OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIStmtExecute(svc, stmt, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIStmtFetch(stmt, err_, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIServerAttach(static_cast<OCIServer*>(h), err_, nullptr, 0, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(OCISessionBegin(svc, err_, static_cast<OCISession*>(h), OCI_CRED_RDBMS, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(OCITransCommit(svc, err_, OCI_DEFAULT), OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIBreak(h, err_), OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIErrorGet(h, 1, nullptr, nullptr, nullptr, 0, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIAttrGet(h, OCI_HTYPE_STMT, bogus, nullptr, OCI_ATTR_ROW_COUNT, err_),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(OCIParamGet(h, OCI_HTYPE_STMT, err_, reinterpret_cast<void**>(&bogus[0]), 1),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(OCISvcCtxToLda(svc, err_, reinterpret_cast<Lda_Def*>(bogus)), OCI_INVALID_HANDLE);
    auto* area = static_cast<Cda_Def*>(h);
    EXPECT_NE(
        oparse(area, reinterpret_cast<OraText*>(const_cast<char*>("select 1 from dual")), -1, 0, 2),
        0);
    EXPECT_NE(oexec(area), 0);
    EXPECT_NE(ofen(area, 1), 0);
    EXPECT_NE(oclose(area), 0);
    EXPECT_NE(ocom(area), 0);
    EXPECT_NE(ologof(area), 0);
  }
  OCIStmt* stmt = nullptr;
  OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  EXPECT_EQ(OCIStmtPrepare(stmt, err_, nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(OCIAttrSet(stmt, OCI_HTYPE_STMT, nullptr, 0, OCI_ATTR_PREFETCH_ROWS, err_), OCI_ERROR);
  EXPECT_EQ(OCIAttrGet(stmt, OCI_HTYPE_STMT, nullptr, nullptr, OCI_ATTR_STMT_TYPE, err_),
            OCI_ERROR);
  EXPECT_EQ(OCIDefineByPos(stmt, nullptr, err_, 1, bogus, 4, SQLT_INT, nullptr, nullptr, nullptr,
                           OCI_DEFAULT),
            OCI_INVALID_HANDLE);
  OCIBind* bind = nullptr;
  EXPECT_EQ(OCIBindByName(stmt, &bind, err_, nullptr, -1, bogus, 4, SQLT_INT, nullptr, nullptr,
                          nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_ERROR);
  Cda_Def cursor{};
  Lda_Def lda{};
  EXPECT_EQ(oopen(&cursor, &lda, nullptr, -1, -1, nullptr, -1), 1012)
      << "a logon area that never logged on";
  EXPECT_EQ(cursor.rc, 1012);
  EXPECT_EQ(oerhms(&lda, 1012, nullptr, 0), 0);
}

}  // namespace
