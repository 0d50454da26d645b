#include <gtest/gtest.h>

#include "record/bdf_record_export.h"
#include "record/bdf_writer.h"

namespace zav {
namespace {

TEST(BdfWithoutEdflib, FailsAndSaysBdfIsNotAvailable) {
  EXPECT_FALSE(BdfWriter::available());
  BdfWriter writer("never.bdf");
  EXPECT_FALSE(writer.open({{"EEG", 2, 3, 8, 1}}, 32));
  EXPECT_EQ(writer.error(), "BDF is not available in this build");
  std::string reason;
  EXPECT_EQ(importSdRecordBdf(".", "rec", "never.bdf", &reason), 0);
  EXPECT_EQ(reason, "BDF is not available in this build");
}

}  // namespace
}  // namespace zav
