// Several threads, each on its own connection, at once: every thread logs on through one shared
// environment, allocates and frees handles, and runs its own statements and fetches.
#include <thread>
#include <vector>

#include "OciTest.h"

namespace devdb::oci::testing {
namespace {

class ThreadTest : public OciTest {};

TEST_F(ThreadTest, ThreeSessionsOnThreeThreads) {
  CreateUser("scott", "tiger");
  OCISvcCtx* setup = nullptr;
  ASSERT_EQ(LogOn("scott", "tiger", &setup), OCI_SUCCESS);
  Run(setup, "create table work (worker number, step number)");
  constexpr int kThreads = 3;
  constexpr int kSteps = 40;
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int worker = 0; worker < kThreads; ++worker) {
    threads.emplace_back([&, worker] {
      // The threads share the environment; each has its own error handle and connection.
      OCIEnv* env = env_;
      OCIError* err = nullptr;
      OCISvcCtx* service = nullptr;
      OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
      if (OCILogon(env, err, &service, reinterpret_cast<const OraText*>("scott"), 5,
                   reinterpret_cast<const OraText*>("tiger"), 5,
                   reinterpret_cast<const OraText*>("DEV"), 3) != OCI_SUCCESS) {
        failures[worker] = "logon failed";
        return;
      }
      for (int step = 0; step < kSteps && failures[worker].empty(); ++step) {
        Statement insert(env, err, "insert into work values (:w, :s)");
        OCIBind* b[2] = {};
        int w = worker, s = step;
        OCIBindByName(insert.get(), &b[0], err, reinterpret_cast<const OraText*>(":w"), -1, &w,
                      sizeof w, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
        OCIBindByName(insert.get(), &b[1], err, reinterpret_cast<const OraText*>(":s"), -1, &s,
                      sizeof s, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
        if (insert.Execute(service, 1) != OCI_SUCCESS) failures[worker] = "insert failed";
        Statement count(env, err, "select count(*) from work where worker = :w");
        int seen = 0;
        OCIDefine* d = nullptr;
        OCIBindByName(count.get(), &b[0], err, reinterpret_cast<const OraText*>(":w"), -1, &w,
                      sizeof w, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
        OCIDefineByPos(count.get(), &d, err, 1, &seen, sizeof seen, SQLT_INT, nullptr, nullptr,
                       nullptr, OCI_DEFAULT);
        if (count.Execute(service, 1) != OCI_SUCCESS || seen != step + 1)
          failures[worker] =
              "step " + std::to_string(step) + " saw " + std::to_string(seen) + " rows";
      }
      OCITransCommit(service, err, OCI_DEFAULT);
      OCILogoff(service, err);
      OCIHandleFree(err, OCI_HTYPE_ERROR);
    });
  }
  for (auto& thread : threads) thread.join();
  for (int worker = 0; worker < kThreads; ++worker)
    EXPECT_EQ(failures[worker], "") << "worker " << worker;
  EXPECT_EQ(Scalar(setup, "select count(*) from work"), std::to_string(kThreads * kSteps));
}

}  // namespace
}  // namespace devdb::oci::testing
