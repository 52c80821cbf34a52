#include "board/d3/scene_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "board/d3/scene_texts.h"

namespace zh::d3 {
namespace {

std::vector<Vec3> Vectors(std::string_view text, size_t room = 40) {
  SceneParser parser;
  std::vector<Vec3> out(room);
  out.resize(parser.ReadVectorList(text, out));
  return out;
}

std::vector<ScenePolygon> Polygons(std::string_view text, size_t room = 40) {
  SceneParser parser;
  std::vector<ScenePolygon> out(room);
  out.resize(parser.ReadPolygonList(text, out));
  return out;
}

// The language's awkward spots, one row each: what a reader makes of the text.
TEST(SceneParser, PublishedCases) {
  enum Reader { kVectors, kVertices, kPolygons };
  struct Case {
    const char* what;
    Reader reader;
    const char* text;
    size_t count;
    double lastValue;  // the last element's last component (its last index for polygons)
  } cases[] = {
      {"a square as vertices", kVertices, "0 0 0, 0.4 0 0, 0.4 0.4 0, 0 0.4 0;", 4, 0},
      {"one quad", kPolygons, "1 4 3 2;", 1, 1},
      {"tabs and a minus before a digit", kVectors, "0.0\t-0.1\t0.8;", 1, 0.8},
      {"digits and a point", kVectors, "2.3 0. 0.2, 2. 0 2.;", 2, 2},
      {"a comma without a blank", kVectors, "0.91 0 2.02,1.79 0 0.81;", 2, 0.81},
      {"a comma before the end", kVectors, "1 2 3, 4 5 6, ;", 2, 6},
      {"a polygon of two numbers", kPolygons, "1 2, 3 4 5;", 0, 0},
      {"a keyword in a list", kVectors, "1 2 3, KING 0 0;", 1, 3},
  };
  for (const Case& c : cases) {
    SceneParser parser;
    std::array<Vec3, 8> vectors{};
    std::array<SceneVertex, 8> vertices{};
    std::array<ScenePolygon, 8> polygons{};
    size_t n = 0;
    double last = 0;
    switch (c.reader) {
      case kVectors:
        n = parser.ReadVectorList(c.text, vectors);
        if (n) last = vectors[n - 1].z;
        break;
      case kVertices:
        n = parser.ReadVertexList(c.text, vertices);
        if (n) last = vertices[n - 1].z;
        break;
      case kPolygons:
        n = parser.ReadPolygonList(c.text, polygons);
        if (n) last = polygons[n - 1].index[size_t(polygons[n - 1].count - 1)];
        break;
    }
    EXPECT_EQ(n, c.count) << c.what;
    EXPECT_EQ(last, c.lastValue) << c.what;
  }
}

TEST(SceneParser, ListCases) {
  struct Case {
    const char* what;
    const char* text;
    std::vector<Vec3> expected;
  } cases[] = {
      {"a square", "0 0 0, 0.4 0 0, 0.4 0.4 0, 0 0.4 0;",
       {{0, 0, 0}, {0.4, 0, 0}, {0.4, 0.4, 0}, {0, 0.4, 0}}},
      {"tabs and a minus before a digit", "0.0\t-0.1\t0.8,\t1\t-2\t3;", {{0, -0.1, 0.8}, {1, -2, 3}}},
      {"a point without fraction digits", "2. 0 0.2, 0. 3. 1e1;", {{2, 0, 0.2}, {0, 3, 10}}},
      {"a comma without a blank", "0.91 0 2.02,1.79 0 0.81;", {{0.91, 0, 2.02}, {1.79, 0, 0.81}}},
      {"a comma before the end", "1 2 3, 4 5 6, ;", {{1, 2, 3}, {4, 5, 6}}},
      {"a keyword ends the list", "1 2 3, KING 5 6;", {{1, 2, 3}}},
      {"an identifier ends the list", "1 2 3, king 5 6;", {{1, 2, 3}}},
      {"a comment between numbers", "1 /* x */ 2 3, 4 5 6", {{1, 2, 3}, {4, 5, 6}}},
      {"a short vector", "1 2;", {}},
      {"no separator ends the list", "1 2 3 4 5 6;", {{1, 2, 3}}},
  };
  for (const Case& c : cases) {
    const std::vector<Vec3> got = Vectors(c.text);
    ASSERT_EQ(got.size(), c.expected.size()) << c.what;
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], c.expected[i]) << c.what << " " << i;
  }
}

TEST(SceneParser, VertexListKeepsScreenPointsAndCountsFour) {
  SceneParser parser;
  std::array<SceneVertex, 10> vertices{};
  vertices[1].screenX = 77;
  ASSERT_EQ(parser.ReadVertexList("0 0 0, 0.4 0 0, 0.4 0.4 0, 0 0.4 0;", vertices), 4u);
  EXPECT_EQ(vertices[2].Position(), (Vec3{0.4, 0.4, 0}));
  EXPECT_EQ(vertices[1].screenX, 77);
}

TEST(SceneParser, PolygonCases) {
  const auto square = Polygons("1 4 3 2;");
  ASSERT_EQ(square.size(), 1u);
  EXPECT_EQ(square[0].count, 4);
  EXPECT_EQ(square[0].index, (std::array<int16_t, 4>{0, 3, 2, 1}));

  const auto mixed = Polygons("6 17 13, 12 14 15 16, 1 2 3;");
  ASSERT_EQ(mixed.size(), 3u);
  EXPECT_EQ(mixed[0].count, 3);
  EXPECT_EQ(mixed[1].index, (std::array<int16_t, 4>{11, 13, 14, 15}));

  EXPECT_TRUE(Polygons("1 2, 3 4 5;").empty());          // two numbers: nothing
  EXPECT_EQ(Polygons("1 2 3, 1 2 3 4 5, 1 2 3;").size(), 2u);  // five: the list ends there
  EXPECT_EQ(Polygons("1 2 3, 4 5 6, ;").size(), 2u);
  EXPECT_EQ(Polygons("1 2 3, 4 -5 6;").size(), 1u);        // "-" is no vertex number
}

TEST(SceneParser, StoresNoMoreThanItsRoom) {
  EXPECT_EQ(Vectors("1 1 1, 2 2 2, 3 3 3, 4 4 4, 5 5 5;", 3).size(), 3u);
  EXPECT_EQ(Polygons("1 2 3, 1 2 3, 1 2 3, 1 2 3, 1 2 3;", 3).size(), 3u);
  SceneParser parser;
  std::array<SceneVertex, 2> two{};
  EXPECT_EQ(parser.ReadVertexList("1 1 1, 2 2 2, 3 3 3;", two), 2u);
  EXPECT_EQ(parser.ReadVectorList("1 1 1;", std::span<Vec3>()), 0u);
}

TEST(SceneParser, KeywordsAreCaseSensitiveAndSignsStandAlone) {
  SceneParser parser;
  for (const SceneKeyword& k : kSceneKeywords) {
    parser.Start(std::string(k.text) + " ");
    EXPECT_EQ(parser.Next(), k.id) << k.text;
  }
  parser.Start("king KING -5 -- .");
  EXPECT_EQ(parser.Next(), 8);
  EXPECT_EQ(parser.Next(), kSceneKing);
  EXPECT_EQ(parser.Next(), kSceneMinus);
  EXPECT_EQ(parser.Next(), 1);
  EXPECT_EQ(parser.Next(), kSceneMinus);
  EXPECT_EQ(parser.Next(), kSceneMinus);
  EXPECT_EQ(parser.Next(), kScenePoint);
  EXPECT_EQ(parser.Next(), -10);
  // The table: 40 words and signs, id 40 unused.
  EXPECT_EQ(std::size(kSceneKeywords), 40u);
  for (const SceneKeyword& k : kSceneKeywords) EXPECT_NE(k.id, 40);
}

// Every number of the embedded scene texts against the published tables.
struct ProfileRow {
  const char* file;
  const char* section;
  std::vector<Vec3> points;
};

const ProfileRow kProfiles[] = {
    {"king", "body0", {{0.0, 0.0, 7.38}, {1.3, 0.0, 7.38}, {0.85, 0.0, 5.22}, {1.24, 0.0, 4.82}, {0.62, 0.0, 4.42}, {1.02, 0.0, 1.92}, {1.81, 0.0, 0.78}, {1.81, 0.0, 0.0}}},
    {"king", "body1", {{0.0, 0.0, 7.38}, {0.51, 0.0, 7.38}, {1.3, 0.0, 7.04}, {0.85, 0.0, 5.22}, {1.24, 0.0, 4.82}, {0.62, 0.0, 4.42}, {1.02, 0.0, 1.92}, {1.81, 0.0, 0.78}, {1.81, 0.0, 0.0}}},
    {"king", "body2", {{0.0, 0.0, 7.38}, {0.51, 0.0, 7.38}, {1.3, 0.0, 7.04}, {0.79, 0.0, 5.56}, {0.85, 0.0, 5.22}, {1.24, 0.0, 4.82}, {0.62, 0.0, 4.42}, {1.02, 0.0, 1.92}, {1.24, 0.0, 1.81}, {1.24, 0.0, 1.41}, {1.81, 0.0, 0.78}, {1.81, 0.0, 0.0}}},
    {"queen", "body0", {{0.0, 0.0, 8.1}, {0.4, 0.0, 7.9}, {0.3, 0.0, 7.6}, {1.29, 0.0, 7.5}, {0.8, 0.0, 4.89}, {1.26, 0.0, 4.69}, {0.53, 0.0, 4.42}, {0.91, 0.0, 2.02}, {1.79, 0.0, 0.81}, {1.79, 0.0, 0.0}}},
    {"queen", "body1", {{0.0, 0.0, 8.1}, {0.4, 0.0, 7.9}, {0.3, 0.0, 7.6}, {0.81, 0.0, 7.4}, {1.29, 0.0, 7.5}, {0.81, 0.0, 5.72}, {0.86, 0.0, 4.89}, {1.26, 0.0, 4.69}, {0.53, 0.0, 4.42}, {1.04, 0.0, 1.91}, {1.79, 0.0, 0.81}, {1.79, 0.0, 0.0}}},
    {"queen", "body2", {{0.0, 0.0, 8.1}, {0.4, 0.0, 7.9}, {0.3, 0.0, 7.6}, {0.81, 0.0, 7.4}, {1.29, 0.0, 7.5}, {0.81, 0.0, 5.72}, {0.86, 0.0, 4.89}, {1.26, 0.0, 4.69}, {0.53, 0.0, 4.42}, {0.91, 0.0, 2.02}, {1.24, 0.0, 1.91}, {1.3, 0.0, 1.51}, {1.79, 0.0, 0.81}, {1.79, 0.0, 0.0}}},
    {"knight", "body0", {{0.7, 0.0, 2.3}, {0.98, 0.0, 2.3}, {1.09, 0.0, 2.22}, {1.51, 0.0, 0.6}, {1.51, 0.0, 0.0}}},
    {"knight", "body1", {{0.7, 0.0, 2.3}, {0.98, 0.0, 2.3}, {1.09, 0.0, 2.22}, {1.04, 0.0, 1.66}, {1.51, 0.0, 0.6}, {1.51, 0.0, 0.0}}},
    {"knight", "body2", {{0.7, 0.0, 2.3}, {0.98, 0.0, 2.3}, {1.09, 0.0, 2.22}, {1.04, 0.0, 1.66}, {1.09, 0.0, 1.06}, {1.51, 0.0, 0.6}, {1.51, 0.0, 0.0}}},
    {"bishop", "body0", {{0.0, 0.0, 6.5}, {0.91, 0.0, 4.89}, {0.68, 0.0, 3.9}, {1.11, 0.0, 3.39}, {0.45, 0.0, 3.19}, {0.81, 0.0, 1.71}, {1.51, 0.0, 0.71}, {1.49, 0.0, 0.0}}},
    {"bishop", "body1", {{0.0, 0.0, 6.5}, {0.4, 0.0, 6.32}, {0.3, 0.0, 6.1}, {0.91, 0.0, 4.89}, {0.68, 0.0, 3.9}, {1.11, 0.0, 3.39}, {0.45, 0.0, 3.19}, {0.81, 0.0, 1.71}, {1.09, 0.0, 1.24}, {1.51, 0.0, 0.71}, {1.49, 0.0, 0.0}}},
    {"bishop", "body2", {{0.0, 0.0, 6.5}, {0.4, 0.0, 6.32}, {0.3, 0.0, 6.1}, {0.91, 0.0, 4.89}, {0.66, 0.0, 4.09}, {0.71, 0.0, 3.59}, {1.11, 0.0, 3.39}, {0.45, 0.0, 3.19}, {0.81, 0.0, 1.71}, {1.01, 0.0, 1.61}, {1.09, 0.0, 1.24}, {1.51, 0.0, 0.71}, {1.49, 0.0, 0.0}}},
    {"rook", "body0", {{0.0, 0.0, 4.79}, {1.02, 0.0, 4.79}, {1.02, 0.0, 4.14}, {0.74, 0.0, 3.8}, {1.07, 0.0, 1.07}, {1.41, 0.0, 0.61}, {1.41, 0.0, 0.0}}},
    {"rook", "body1", {{0.0, 0.0, 4.59}, {1.02, 0.0, 4.59}, {1.02, 0.0, 4.14}, {0.74, 0.0, 3.8}, {0.96, 0.0, 1.52}, {1.07, 0.0, 1.07}, {1.41, 0.0, 0.61}, {1.41, 0.0, 0.0}}},
    {"rook", "body2", {{0.0, 0.0, 4.59}, {1.02, 0.0, 4.59}, {1.02, 0.0, 4.14}, {0.74, 0.0, 3.8}, {0.96, 0.0, 1.52}, {1.02, 0.0, 1.41}, {1.07, 0.0, 1.07}, {1.41, 0.0, 0.61}, {1.41, 0.0, 0.0}}},
    {"pawn", "body0", {{0.0, 0.0, 4.38}, {0.62, 0.0, 4.08}, {0.74, 0.0, 3.68}, {0.45, 0.0, 3.1}, {0.68, 0.0, 1.52}, {1.3, 0.0, 0.61}, {1.26, 0.0, 0.0}}},
    {"pawn", "body1", {{0.0, 0.0, 4.38}, {0.62, 0.0, 4.08}, {0.74, 0.0, 3.68}, {0.45, 0.0, 3.1}, {0.85, 0.0, 2.8}, {0.4, 0.0, 2.62}, {0.68, 0.0, 1.52}, {1.3, 0.0, 0.61}, {1.26, 0.0, 0.0}}},
    {"pawn", "body2", {{0.0, 0.0, 4.38}, {0.62, 0.0, 4.08}, {0.74, 0.0, 3.68}, {0.45, 0.0, 3.1}, {0.85, 0.0, 2.8}, {0.4, 0.0, 2.62}, {0.68, 0.0, 1.52}, {0.85, 0.0, 1.41}, {1.3, 0.0, 0.61}, {1.26, 0.0, 0.0}}},
    {"king", "outline", {{0.06, 0.0, 4.2}, {1.22, 0.0, 3.88}, {0.68, 0.0, 3.17}, {1.16, 0.0, 2.69}, {0.88, 0.0, 2.12}, {1.05, 0.0, 1.41}, {1.58, 0.0, 0.78}, {1.56, 0.0, 0.0}}},
    {"queen", "outline", {{0.06, 0.0, 4.03}, {1.22, 0.0, 3.88}, {0.68, 0.0, 3.17}, {1.16, 0.0, 2.69}, {0.88, 0.0, 2.12}, {1.05, 0.0, 1.41}, {1.58, 0.0, 0.78}, {1.56, 0.0, 0.01}}},
    {"knight", "outline", {{0.5, 0.0, 2.4}, {0.7, 0.0, 2.0}, {1.04, 0.0, 1.66}, {1.09, 0.0, 1.06}, {1.3, 0.0, 0.6}, {1.3, 0.0, 0.0}}},
    {"bishop", "outline", {{0.0, 0.0, 2.97}, {0.51, 0.0, 2.65}, {0.69, 0.0, 2.25}, {0.52, 0.0, 1.99}, {1.0, 0.0, 1.62}, {0.61, 0.0, 1.49}, {0.74, 0.0, 1.21}, {1.15, 0.0, 0.67}, {1.3, 0.0, 0.0}}},
    {"rook", "outline", {{0.9, 0.0, 2.5}, {0.9, 0.0, 2.2}, {0.75, 0.0, 2.1}, {1.07, 0.0, 1.07}, {1.3, 0.0, 0.61}, {1.3, 0.0, 0.0}}},
    {"pawn", "outline", {{0.4, 0.0, 2.43}, {0.88, 0.0, 1.92}, {0.68, 0.0, 1.52}, {0.85, 0.0, 1.1}, {1.1, 0.0, 0.61}, {1.1, 0.0, 0.04}}},
    {"rook", "ring", {{0.8, 0, 4.59}, {0.9, 0, 4.8}, {1.02, 0, 4.8}, {1.02, 0, 4.59}}},
    {"king", "stem_vertices", {{0, 0, 0}, {0.4, 0, 0}, {0.4, 0.4, 0}, {0, 0.4, 0}}},
    {"king", "arm_vertices", {{-0.4, 0, 0}, {0.8, 0, 0}, {0.8, 0.4, 0}, {-0.4, 0.4, 0}}},
    {"cube", "square_vertices", {{0, 0, 0}, {4.0, 0, 0}, {4.0, 4.0, 0}, {0, 4.0, 0}}},
};

struct FlatRow {
  const char* file;
  const char* part;
  std::vector<Vec3> vertices;
  std::vector<std::vector<int>> polygons;  // 1-based
};

const FlatRow kFlats[] = {
    {"knight", "head1", {{-0.1, -0.1, 0.0}, {0.3, -0.2, 0.8}, {0.7, -0.55, 0.8}, {1.0, -0.9, 0.0}, {0.0, -0.1, 2.2}, {0.3, -0.35, 2.2}, {0.0, 0.1, 0.0}, {0.3, 0.2, 0.8}, {0.7, 0.55, 0.8}, {1.0, 0.9, 0.0}, {0.3, 0.35, 2.2}, {1.8, -0.85, 0.0}, {1.5, -0.35, 2.2}, {2.2, -0.4, 0.8}, {1.9, -0.6, 0.8}, {2.2, -0.3, 1.4}, {1.9, -0.4, 1.4}, {2.0, 0.0, 0.0}, {2.5, 0.0, 0.8}, {2.4, 0.0, 1.4}, {1.7, 0.0, 2.2}, {1.8, 0.85, 0.0}, {2.2, 0.4, 0.8}, {2.2, 0.3, 1.4}, {1.5, 0.35, 2.2}, {1.9, 0.6, 0.8}, {1.9, 0.4, 1.4}, {0.0, 0.1, 2.2}},
     {{1, 4, 3, 2}, {2, 3, 6, 5}, {4, 12, 15, 3}, {3, 15, 17, 6}, {6, 17, 13}, {12, 14, 15}, {15, 14, 16, 17}, {17, 16, 13}, {12, 18, 19, 14}, {14, 19, 20, 16}, {16, 20, 21, 13}, {7, 1, 2, 8}, {8, 2, 5, 28}, {10, 7, 8, 9}, {9, 8, 28, 11}, {10, 9, 26, 22}, {26, 9, 11, 27}, {11, 25, 27}, {22, 26, 23}, {23, 26, 27, 24}, {24, 27, 25}, {18, 22, 23, 19}, {19, 23, 24, 20}, {20, 24, 25, 21}}},
    {"knight", "head2", {{0.3, -0.35, 0}, {0.3, -0.45, 0.8}, {0.0, -0.1, 0}, {1.5, -0.35, 0}, {1.7, 0, 0}, {2.3, -0.2, 0.2}, {2.3, 0, 0.2}, {2.6, 0, 0.3}, {2.3, 0.2, 0.2}, {1.5, 0.35, 0}, {2.3, -0.2, 0.2}, {2.6, -0.06, 0.2}, {2.6, 0.06, 0.2}, {2.3, 0.2, 0.2}, {2.3, -0.3, 0.8}, {2.6, -0.1, 0.8}, {2.6, 0.1, 0.8}, {2.3, 0.3, 0.8}, {2.3, -0.1, 1.15}, {2.3, 0.1, 1.15}, {0.7, -0.45, 0.8}, {0.7, -0.1, 1.3}, {0.7, 0.1, 1.3}, {0.7, 0.45, 0.8}, {0.1, -0.1, 1.3}, {0.1, 0.1, 1.3}, {0.0, 0.1, 0}, {0.3, 0.35, 0}, {0.3, 0.45, 0.8}, {0.0, 0.1, 0.8}, {0.0, -0.1, 0.8}, {0.2, 0, 1.6}, {0.5, 0, 1.6}},
     {{1, 4, 21, 2}, {4, 6, 15, 21}, {4, 5, 7, 6}, {11, 12, 16, 15}, {15, 16, 19}, {21, 15, 19, 22}, {2, 21, 22, 25}, {3, 1, 2, 31}, {31, 2, 25}, {12, 13, 17, 16}, {19, 16, 17, 20}, {22, 19, 20, 23}, {27, 3, 31, 30}, {30, 31, 25, 26}, {10, 28, 29, 24}, {9, 10, 24, 18}, {10, 9, 7, 5}, {13, 14, 18, 17}, {20, 17, 18}, {23, 20, 18, 24}, {26, 23, 24, 29}, {28, 27, 30, 29}, {29, 30, 26}, {25, 22, 33, 32}, {25, 32, 26}, {22, 23, 33}, {23, 26, 32, 33}}},
    {"king", "stem", {{0, 0, 0}, {0.4, 0, 0}, {0.4, 0.4, 0}, {0, 0.4, 0}}, {{1, 4, 3, 2}}},
    {"king", "arm", {{-0.4, 0, 0}, {0.8, 0, 0}, {0.8, 0.4, 0}, {-0.4, 0.4, 0}}, {{1, 4, 3, 2}}},
    {"cube", "square", {{0, 0, 0}, {4.0, 0, 0}, {4.0, 4.0, 0}, {0, 4.0, 0}}, {{1, 4, 3, 2}}},
};

TEST(SceneTexts, ProfilesReadToThePublishedNumbers) {
  for (const ProfileRow& row : kProfiles) {
    const std::string_view text = SceneSection(row.file, row.section);
    ASSERT_FALSE(text.empty()) << row.file << " " << row.section;
    const std::vector<Vec3> got = Vectors(text);
    ASSERT_EQ(got.size(), row.points.size()) << row.file << " " << row.section;
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_EQ(got[i], row.points[i]) << row.file << " " << row.section << " " << i;
  }
}

TEST(SceneTexts, FlatPartsReadToThePublishedNumbers) {
  for (const FlatRow& row : kFlats) {
    const std::string part(row.part);
    SceneParser parser;
    std::array<SceneVertex, 40> vertices;
    const size_t v = parser.ReadVertexList(SceneSection(row.file, part + "_vertices"), vertices);
    ASSERT_EQ(v, row.vertices.size()) << row.part;
    for (size_t i = 0; i < v; ++i) EXPECT_EQ(vertices[i].Position(), row.vertices[i]) << row.part << " " << i + 1;
    std::array<ScenePolygon, 40> polygons;
    const size_t p = parser.ReadPolygonList(SceneSection(row.file, part + "_polygons"), polygons);
    ASSERT_EQ(p, row.polygons.size()) << row.part;
    for (size_t i = 0; i < p; ++i) {
      ASSERT_EQ(size_t(polygons[i].count), row.polygons[i].size()) << row.part << " " << i;
      for (size_t k = 0; k < row.polygons[i].size(); ++k)
        EXPECT_EQ(polygons[i].index[k], row.polygons[i][k] - 1) << row.part << " " << i;
    }
  }
}

// The texts keep the forms a reader must cope with; the tables above show they read.
TEST(SceneTexts, HoldTheAwkwardForms) {
  EXPECT_NE(SceneSection("rook", "ring").find("4.80,\t1.02"), std::string_view::npos);
  EXPECT_NE(SceneSection("queen", "body0").find("2.02,1.79"), std::string_view::npos);
  EXPECT_NE(SceneSection("knight", "head1_vertices").find("2. 0.0"), std::string_view::npos);
  EXPECT_NE(SceneSection("knight", "head2_vertices").find("2.3 0. 0.2"), std::string_view::npos);
  EXPECT_NE(SceneSection("knight", "head1_vertices").find("-0.1 -0.1"), std::string_view::npos);
}

TEST(SceneTexts, SectionsEndAtTheNextMarker) {
  const std::string_view text = "notes\n@a\n1 2 3;\n@b \n4 5 6;";
  EXPECT_EQ(FindSection(text, "a"), "1 2 3;\n");
  EXPECT_EQ(FindSection(text, "b"), "4 5 6;");
  EXPECT_TRUE(FindSection(text, "c").empty());
  EXPECT_TRUE(SceneSection("nofile", "a").empty());
  EXPECT_EQ(SceneFiles().size(), 7u);
}

}  // namespace
}  // namespace zh::d3
