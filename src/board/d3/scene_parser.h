// The scene language of the 3D board: lists of 3-vectors (lathe profiles, shadow
// outlines), of vertices and of polygons given by 1-based vertex numbers.
//
//   number   := ["-"] integer | ["-"] real        ("0." is the real 0)
//   vector   := number number number
//   list     := vector { "," vector }             normally ended by ";"
//   polygon  := index index index [index]         1-based vertex numbers
//   polygons := polygon { "," polygon }
//
// Blanks, tabs and line ends separate tokens; comments run from "/*" to "*/". The
// words and signs of the keyword table are reserved; a keyword met inside a list ends
// the list like any other unexpected token. No reader reports an error: a malformed
// text gives fewer elements, the list stopping at the first element that fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "board/d3/scene_records.h"
#include "board/d3/vec3.h"
#include "core/toolbox/scanner.h"

namespace zh::d3 {

// Token ids of the language's words and signs.
enum SceneToken : int16_t {
  kSceneComma = 21,
  kSceneSemicolon = 22,
  kScenePoint = 23,
  kSceneEquals = 24,
  kSceneMinus = 25,
  kSceneOpenBrace = 26,
  kSceneCloseBrace = 27,
  kSceneNum = 28,
  kSceneOpenParen = 29,
  kSceneCloseParen = 30,
  kSceneObserver = 31,
  kSceneLight = 32,
  kSceneFov = 33,
  kSceneScale = 34,
  kSceneVertices = 35,
  kScenePolygons = 36,
  kSceneScene = 37,
  kSceneShading = 38,
  kSceneGouraud = 39,
  kSceneWire = 41,
  kSceneSimple = 42,
  kSceneRotsym = 43,
  kSceneTranssym = 44,
  kSceneRotate = 45,
  kSceneTranslate = 46,
  kScenePosition = 47,
  kSceneSetcolor = 48,
  kSceneBoard = 49,
  kSceneSquare = 50,
  kSceneColor = 51,
  kSceneMeridian = 52,
  kSceneXaxis = 53,
  kSceneYaxis = 54,
  kSceneZaxis = 55,
  kSceneKing = 56,
  kSceneQueen = 57,
  kSceneKnight = 58,
  kSceneBishop = 59,
  kSceneRook = 60,
  kScenePawn = 61,
};

struct SceneKeyword {
  std::string_view text;
  int16_t id;
};

// The keyword table in the order it is registered with the scanner.
inline constexpr SceneKeyword kSceneKeywords[] = {
    {";", kSceneSemicolon},     {",", kSceneComma},        {".", kScenePoint},
    {"=", kSceneEquals},        {"-", kSceneMinus},        {"(", kSceneOpenParen},
    {")", kSceneCloseParen},    {"{", kSceneOpenBrace},    {"}", kSceneCloseBrace},
    {"NUM", kSceneNum},         {"OBSERVER", kSceneObserver}, {"LIGHT", kSceneLight},
    {"FOV", kSceneFov},         {"SCALE", kSceneScale},    {"SHADING", kSceneShading},
    {"WIRE", kSceneWire},       {"SIMPLE", kSceneSimple},  {"GOURAUD", kSceneGouraud},
    {"VERTICES", kSceneVertices}, {"POLYGONS", kScenePolygons}, {"SCENE", kSceneScene},
    {"ROTSYM", kSceneRotsym},   {"TRANSSYM", kSceneTranssym}, {"TRANSLATE", kSceneTranslate},
    {"POSITION", kScenePosition}, {"ROTATE", kSceneRotate}, {"SETCOLOR", kSceneSetcolor},
    {"BOARD", kSceneBoard},     {"SQUARE", kSceneSquare},  {"MERIDIAN", kSceneMeridian},
    {"COLOR", kSceneColor},     {"XAXIS", kSceneXaxis},    {"YAXIS", kSceneYaxis},
    {"ZAXIS", kSceneZaxis},     {"KING", kSceneKing},      {"QUEEN", kSceneQueen},
    {"KNIGHT", kSceneKnight},   {"BISHOP", kSceneBishop},  {"ROOK", kSceneRook},
    {"PAWN", kScenePawn},
};

class SceneParser {
 public:
  static constexpr uint16_t kKeywordCapacity = 60;

  // A case-sensitive scanner with the keyword table, over a single blank.
  SceneParser();

  // Each reader starts at the beginning of `text`, stores at most `out.size()`
  // elements and answers how many it stored.
  size_t ReadVectorList(std::string_view text, std::span<Vec3> out);
  size_t ReadVertexList(std::string_view text, std::span<SceneVertex> out);
  size_t ReadPolygonList(std::string_view text, std::span<ScenePolygon> out);

  int16_t Token() const { return token_; }
  const std::string& TokenText() const { return tokenText_; }
  // Reads the next token; the language's tokens for tests and tools.
  int16_t Next();
  void Start(std::string_view text);

 private:
  bool ReadNumber(double& value);
  bool ReadVector(Vec3& v);
  bool ReadPolygon(ScenePolygon& polygon);

  SymbolScanner scanner_;
  int16_t token_ = kTokenEnd;
  std::string tokenText_;
};

}  // namespace zh::d3
