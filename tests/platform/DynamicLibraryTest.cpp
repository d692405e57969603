// Loading a real shared library, looking up an export, and the loader's reason for a failure.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/DynamicLibrary.h"
#include "tests/platform/TemporaryFolder.h"

namespace vek {
namespace {

using testing::TemporaryFolder;

TEST(DynamicLibrary, LoadsAndFindsAnExport) {
  DynamicLibrary library;
  ASSERT_TRUE(library.Load(VEK_PROBE_LIBRARY)) << library.LoadError();
  EXPECT_TRUE(library.IsLoaded());
  EXPECT_NE(library.HandleValue(), 0);
  EXPECT_EQ(library.LoadError(), "");
  void* address = library.Symbol("vek_probe_answer");
  ASSERT_NE(address, nullptr);
  int (*answer)() = nullptr;
  std::memcpy(&answer, &address, sizeof answer);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(library.Symbol("vek_probe_missing"), nullptr);
  library.Free();
  EXPECT_FALSE(library.IsLoaded());
  EXPECT_EQ(library.HandleValue(), 0);
}

TEST(DynamicLibrary, MovedLibraryStaysLoadedOnce) {
  DynamicLibrary first;
  ASSERT_TRUE(first.Load(VEK_PROBE_LIBRARY));
  DynamicLibrary second = std::move(first);
  EXPECT_FALSE(first.IsLoaded());
  EXPECT_TRUE(second.IsLoaded());
  EXPECT_NE(second.Symbol("vek_probe_answer"), nullptr);
}

TEST(DynamicLibrary, FailedLoadKeepsTheLoadersReason) {
  TemporaryFolder folder;
  const std::string missing = folder.PathOf("libabsent.so");
  const std::string notALibrary = folder.WriteFile("libtext.so", "just some text\n");
  for (const auto& path : {missing, notALibrary}) {
    DynamicLibrary library;
    EXPECT_FALSE(library.Load(path));
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.HandleValue(), 0);
    EXPECT_NE(library.LoadError().find(path), std::string::npos)
        << "reason names the file: " << library.LoadError();
  }
}

}  // namespace
}  // namespace vek
