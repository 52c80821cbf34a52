// What an engine's logo shows, and the module's logos kept past the engine's end.
#include "engine_fixture.h"

namespace zh::test {
namespace {

using Source = EngineLogo::Source;

TEST(EngineLogoChoice, FollowsTheColoursTheNameAndTheModulesImage) {
  const LogoImage image{2, 1, {0xFF000001u, 0xFF000002u}};
  const LogoImage none;
  struct Case {
    int kind;
    const char* name;
    int64_t colours;
    bool withImage;
    Source source;
    const char* text;
    int font;
    int resource;
  } cases[] = {
      {1, "Painter 3", 16, true, Source::kDrawnName, "Painter", 23, 0},
      {2, "Painter 3", 256, true, Source::kDrawnName, "Painter", 33, 0},
      {1, "Painter 3", 65536, true, Source::kModuleImage, "", 0, 0},
      {1, "Painter 3", 8, true, Source::kModuleImage, "", 0, 0},  // below 16: true colour
      {1, "Stub Engine", 65536, false, Source::kDrawnName, "Stub", 26, 0},
      {2, "Stub Engine", 65536, false, Source::kDrawnName, "Stub", 36, 0},
      {1, "Zelko Home 2", 65536, false, Source::kResource, "", 0, 13},
      {2, "Zelko Home 2", 16777216, true, Source::kModuleImage, "", 0, 0},
      {2, "Zelko Home 2", 65536, false, Source::kResource, "", 0, 14},
      {1, "Zelko Home 2", 256, false, Source::kDrawnName, "Zelko", 26, 0},
      {1, "", 65536, false, Source::kResource, "", 0, 13},
      {2, "7 Eleven", 256, false, Source::kDrawnName, "Zelko", 36, 0},
      {1, "Fourteenchars1", 65536, false, Source::kDrawnName, "Fourteenchars", 20, 0},
  };
  for (const Case& c : cases) {
    EngineLogo logo = ChooseEngineLogo(c.kind, c.name, c.colours, c.withImage ? image : none);
    SCOPED_TRACE(std::string(c.name) + " kind " + std::to_string(c.kind) + " colours " + std::to_string(c.colours));
    EXPECT_EQ(logo.source, c.source);
    EXPECT_EQ(logo.text, c.text);
    EXPECT_EQ(logo.fontHeight, c.font);
    EXPECT_EQ(logo.resourceId, c.resource);
    if (c.source == Source::kModuleImage) {
      EXPECT_EQ(logo.width, 2);
      EXPECT_EQ(logo.pixels, image.pixels);
    } else {
      EXPECT_EQ(logo.width, c.kind == 2 ? 176 : 100);
      EXPECT_EQ(logo.height, c.kind == 2 ? 80 : 45);
    }
  }
}

using EngineLogos = EngineTest;

TEST_F(EngineLogos, TheModulesImagesAreStillReadableAfterTheEngineHasEnded) {
  EngineInstance* engine = Load(ModulePath("Painter.eng"));
  ASSERT_NE(engine, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !engine->GetName().empty(); }));
  engine->SetInUse(true);
  const EngineLogo& small = engine->GetLogo(1, 65536);
  ASSERT_EQ(small.source, Source::kModuleImage);
  EXPECT_EQ(small.width, 100);
  EXPECT_EQ(small.pixels[44 * 100 + 99], 0xFF012C63u);

  const int32_t id = engine->Id();
  engine->PostExit();
  ASSERT_EQ(WaitUntil([] { return false; }, DeadlineIn(kLongWaitMs), id), WaitEnd::kHostGone);
  ASSERT_EQ(table.FindById(id), engine);
  // The host has freed its images by now; ours were copied.
  const EngineLogo& large = engine->GetLogo(2, 65536);
  ASSERT_EQ(large.source, Source::kModuleImage);
  ASSERT_EQ(large.pixels.size(), 176u * 80u);
  for (uint32_t y = 0; y < 80; ++y)
    for (uint32_t x = 0; x < 176; ++x)
      ASSERT_EQ(large.pixels[y * 176 + x], 0xFF000000u | 2u << 16 | y << 8 | x) << x << "," << y;
  EXPECT_EQ(engine->GetLogo(1, 256).text, "Painter");
  engine->SetInUse(false);
}

TEST_F(EngineLogos, AZelkoNameWithoutModuleLogosShowsTheProgramsOwnLogoOnTrueColour) {
  EngineInstance* stub = Load(ModulePath("StubOne.eng"));  // gives no logos
  EngineInstance* zelko = Load(ZH_ZELKOHOME2_MODULE);      // gives both
  ASSERT_TRUE(stub && zelko);
  eng::TextBlock name{};
  name.header.size = sizeof name;
  std::strcpy(name.text, "Zelko Stub 1");
  Inject(eng::kReportName, stub->Id(), &name, sizeof name);
  ASSERT_TRUE(WaitFor([&] { return !stub->GetName().empty() && !zelko->GetName().empty(); }));
  EXPECT_EQ(stub->GetLogo(1, 65536).resourceId, 13);
  EXPECT_EQ(stub->GetLogo(2, 65536).resourceId, 14);
  EXPECT_EQ(stub->GetLogo(2, 16).text, "Zelko");
  EXPECT_EQ(zelko->GetLogo(1, 65536).source, Source::kModuleImage);
  EXPECT_EQ(zelko->GetLogo(2, 256).text, "Zelko");
}

TEST_F(EngineLogos, ALogoBuiltBeforeTheStartResultIsBuiltAgain) {
  EngineInstance idle(token, ZH_ZELKOHOME2_MODULE, 1024, 1);
  EXPECT_EQ(idle.GetLogo(1, 65536).source, Source::kResource);  // no name yet
  eng::TextBlock name{};
  std::strcpy(name.text, "Quiet 1");
  idle.HandleReport(eng::kReportName, &name);
  eng::StartResultBlock started{};
  idle.HandleReport(eng::kReportStartResult, &started);
  EXPECT_EQ(idle.GetLogo(1, 65536).text, "Quiet");
  std::strcpy(name.text, "Loud 1");
  idle.HandleReport(eng::kReportName, &name);
  EXPECT_EQ(idle.GetLogo(1, 65536).text, "Quiet");  // kept since the start result
}

}  // namespace
}  // namespace zh::test
