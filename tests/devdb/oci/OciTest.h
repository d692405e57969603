// The fixture of the client library tests that need a server: a fresh devdb for every
// test, TNS_ADMIN pointing at its own tnsnames.ora, an OCI environment and error handle,
// and helpers that log on and run statements the way an OCI program does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DevdbInstance.h"
#include "devdb/oci/OciApi.h"

namespace devdb::oci::testing {

inline constexpr const char* kSystemPassword = "manager";

class OciTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Attaches to database and begins a session; returns the status of OCISessionBegin (or
  // of the attach when that fails). *service is usable when the status is not OCI_ERROR.
  sword LogOn(const std::string& user, const std::string& password, OCISvcCtx** service,
              ub4 mode = OCI_DEFAULT, const std::string& database = "DEV");
  OCISvcCtx* System();
  void CreateUser(const std::string& name, const std::string& password);
  // Prepares and executes a statement once; fails the test with the error text otherwise.
  void Run(OCISvcCtx* service, const std::string& sql);
  // The first column of the first row, as text ("" for NULL).
  std::string Scalar(OCISvcCtx* service, const std::string& sql);

  // The number and text of error record n of the handle ("" when there is none).
  int ErrorCode(unsigned record = 1) const;
  std::string ErrorText(unsigned record = 1) const;

  std::unique_ptr<DevdbInstance> server_;
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
};

// A statement handle freed at the end of the scope.
class Statement {
 public:
  Statement(OCIEnv* env, OCIError* err, const std::string& sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  OCIStmt* get() const { return stmt_; }
  sword Execute(OCISvcCtx* service, ub4 iterations, ub4 mode = OCI_DEFAULT, ub4 offset = 0);

 private:
  OCIStmt* stmt_ = nullptr;
  OCIError* err_;
};

}  // namespace devdb::oci::testing
