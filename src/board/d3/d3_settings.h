// How the 3D board looks: the observer, the light, the board's sizes, the models'
// detail, the colours, shadows and animation; kept in the group "3DSetting" of
// Z5.ini. Besides the stored values it holds the working state of the current view,
// which the renderer reads and writes, and the small steps that turn, raise, zoom and
// move the observer.
#pragma once

#include <cstdint>

#include "board/board_colors.h"
#include "board/d3/light_source.h"
#include "board/d3/vec3.h"
#include "core/toolbox/profile_file.h"

namespace zh::d3 {

// The values the settings accept; loading (and the settings dialog) keeps them within.
struct D3Ranges {
  // 63 is the largest count at which every model's merges fit its polygon limit.
  int16_t minRotation = 3;
  int16_t maxRotation = 63;
  // A detail level outside these becomes the last one.
  int16_t minPieces = 0;
  int16_t maxPieces = 2;
  double minSqSize = 1.0;
  double maxSqSize = 20.0;
  double minBoardMargin = 0.0;
  double maxBoardMargin = 10.0;
  // The settings dialog's range; loading does not limit it.
  int16_t minAnimation = 0;
  int16_t maxAnimation = 100;
};
inline constexpr D3Ranges kD3Ranges{};

class D3Settings {
 public:
  static constexpr const char* kGroup = "3DSetting";
  // Named colour indexes of the two colours that are not stored.
  static constexpr int32_t kBackgroundName = 0;
  static constexpr int32_t kSquareMarkName = 10;

  D3Settings();

  // Every stored value to its default; SizeCoeff stays.
  void SetDefaults();
  // Rebuilds the light record from intensity, ambient share and vector.
  void RebuildLight();
  // Keeps the values within kD3Ranges.
  void ClampToRanges();

  // Reads the group; a missing or unreadable key (a real that is not a finite number)
  // leaves its field as it is. The values end within kD3Ranges.
  void LoadFrom(ProfileFile& file);
  // Rewrites the group with every key.
  void SaveTo(ProfileFile& file) const;
  // The same on the user's Z5.ini; false when it cannot be opened.
  bool Load();
  bool Save() const;

  // A random observer from the services' random source: y in -20..19, then x in
  // 26..75, then z in 15..74.
  void SetRandomObserver();

  // View steering. Observer and light turn together, so the lighting stays fixed
  // relative to the view; raising, lowering, zooming and moving leave the light.
  void TurnRight(int divisor);
  void TurnLeft(int divisor);
  void Raise(int divisor);
  void Lower(int divisor);
  void ZoomIn(bool fast);
  void ZoomOut(bool fast);
  void MoveNearer(bool fast);
  void MoveFarther(bool fast);
  void Mirror();
  // Observer azimuth pi (flipped) or 0; the light turns by the same angle.
  void SetAzimuth(bool flipped);

  // Stored values.
  Vec3 observer;
  double lightIntens = 1.0;
  double lightAmbient = 0.35;
  Vec3 lightVec;
  LightSource light;

  // The renderer's view: the observer's azimuth, distance and elevation, the
  // projection factor, the projection centre and the view rotation.
  double viewAzimuth = 0;
  double viewDistance = 0;
  double viewElevation = 0;
  double scale = 0;
  double projection = 0;
  double sizeCoeff = 0;  // Scale per pixel of nominal width; 0: derived from the width
  double sqSize = 0;
  double boardMargin = 0;
  int16_t centreX = 0;
  int16_t centreY = 0;
  Matrix3 viewMatrix{};
  Matrix3 inverseMatrix{};

  bool shadows = false;
  bool steering = false;  // a navigation button repeats; never stored
  bool grating = false;
  bool smoothAnim = false;
  bool sqMarkSimple = false;
  int16_t rotation = 0;  // segments around the models' axis
  ColorRecord colWhiteSquares;
  ColorRecord colBlackSquares;
  ColorRecord colWhitePieces;
  ColorRecord colBlackPieces;
  ColorRecord colBackground;
  ColorRecord colSquareMark;
  int16_t pieces = 0;     // detail level of the models
  int16_t animation = 0;  // animation speed

 private:
  // Turns observer and light about the vertical axis.
  void Turn(double angle);
};

// The one record of the program, installed at start-up; until then (and in tests that
// install none) a record with the defaults.
D3Settings& TheD3Settings();
void SetTheD3Settings(D3Settings* settings);

}  // namespace zh::d3
