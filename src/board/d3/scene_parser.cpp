#include "board/d3/scene_parser.h"

#include <algorithm>

#include "core/toolbox/number_text.h"

namespace zh::d3 {

SceneParser::SceneParser() : scanner_(" ", kKeywordCapacity, false) {
  for (const SceneKeyword& k : kSceneKeywords) scanner_.AddKeyword(k.text, k.id);
}

void SceneParser::Start(std::string_view text) {
  scanner_.SetText(std::string(text));
  token_ = kTokenEnd;
  tokenText_.clear();
}

int16_t SceneParser::Next() {
  token_ = static_cast<int16_t>(scanner_.NextToken(tokenText_));
  return token_;
}

bool SceneParser::ReadNumber(double& value) {
  double sign = 1;
  if (token_ == kSceneMinus) {
    Next();
    sign = -1;
  }
  if (token_ == kTokenInteger)
    value = sign * static_cast<double>(ParseDecimal(tokenText_));
  else if (token_ == kTokenFloat)
    value = ParseDouble(tokenText_) * sign;
  else
    return false;
  Next();
  return true;
}

bool SceneParser::ReadVector(Vec3& v) {
  return ReadNumber(v.x) && ReadNumber(v.y) && ReadNumber(v.z);
}

size_t SceneParser::ReadVectorList(std::string_view text, std::span<Vec3> out) {
  Start(text);
  size_t count = 0;
  while (count < out.size()) {
    Next();
    if (!ReadVector(out[count])) break;
    ++count;
    if (token_ != kSceneComma) break;
  }
  return count;
}

size_t SceneParser::ReadVertexList(std::string_view text, std::span<SceneVertex> out) {
  Start(text);
  size_t count = 0;
  while (count < out.size()) {
    Next();
    Vec3 v{out[count].x, out[count].y, out[count].z};
    const bool read = ReadVector(v);
    out[count].SetPosition(v);
    if (!read) break;
    ++count;
    if (token_ != kSceneComma) break;
  }
  return count;
}

bool SceneParser::ReadPolygon(ScenePolygon& polygon) {
  Next();
  polygon.count = 0;
  for (size_t i = 0; i < polygon.index.size() && token_ == kTokenInteger; ++i) {
    // Numbers beyond the 16-bit range are kept out of it, for the caller to refuse.
    const int64_t number = std::clamp<int64_t>(ParseDecimal(tokenText_), 0, 32768);
    polygon.index[i] = static_cast<int16_t>(number - 1);
    polygon.count = static_cast<int16_t>(i + 1);
    Next();
  }
  return polygon.count == 3 || polygon.count == 4;
}

size_t SceneParser::ReadPolygonList(std::string_view text, std::span<ScenePolygon> out) {
  Start(text);
  size_t count = 0;
  while (count < out.size()) {
    if (!ReadPolygon(out[count])) break;
    ++count;
    if (token_ != kSceneComma) break;
  }
  return count;
}

}  // namespace zh::d3
