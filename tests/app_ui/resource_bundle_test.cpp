// The resource bundle built from data/resources: items by id, missing ids and a
// missing bundle.
#include <gtest/gtest.h>

#include "app/ui/resource_bundle.h"
#include "qt_app.h"
#include "support/recording_services.h"

namespace zh {
namespace {

TEST(ResourceBundle, ItemsByIdAndMissingOnes) {
  test::TestApp();
  test::RecordingServices services;
  ResourceBundle bundle;
  ASSERT_TRUE(bundle.Load(ZH_DATA_DIR));
  EXPECT_FALSE(ResourceIcon(8).isNull());
  EXPECT_EQ(ResourceText(1).trimmed(), "Zelko Home 2");
  EXPECT_TRUE(services.calls.empty());
  EXPECT_TRUE(ResourceBitmap(4242).isNull());
  EXPECT_TRUE(ResourceText(4243).isEmpty());
  EXPECT_EQ(services.CallsStartingWith("Log: ").size(), 2u);
  bundle.Unload();
  EXPECT_TRUE(ResourceIcon(8).isNull());

  ResourceBundle missing;
  EXPECT_FALSE(missing.Load("/nonexistent"));
  EXPECT_FALSE(missing.IsLoaded());
}

}  // namespace
}  // namespace zh
