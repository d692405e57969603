// Query results line up in columns, counting characters rather than bytes.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/vsql/ResultTable.h"

namespace vek::vsql {
namespace {

TEST(ResultTableTest, ColumnsAreAsWideAsTheirWidestValueOrHeading) {
  TResultTable table({"ID", "NAME", "NOTE"});
  table.AddRow({"1", "\xC3\x98ystein", ""});
  table.AddRow({"1000", "Al", "two\nlines"});
  std::ostringstream out;
  table.Print(out);
  EXPECT_EQ(out.str(),
            "ID   NAME    NOTE\n"
            "---- ------- ---------\n"
            "1    \xC3\x98ystein \n"
            "1000 Al      two lines\n");
  EXPECT_EQ(table.RowCount(), 2u);
}

}  // namespace
}  // namespace vek::vsql
