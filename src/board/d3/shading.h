// Flat shading of the 3D board: polygon centres and normals, the faces turned away
// from the observer, one brightness per polygon from the light, and the colour ramps
// the program's palette keeps for them.
#pragma once

#include "board/board_colors.h"
#include "board/d3/d3_settings.h"
#include "board/d3/light_source.h"
#include "board/d3/scene_object.h"

namespace zh::d3 {

// Centre and unit normal of every polygon; a quad's normal is the normalised sum of
// the normals of its two triangles ABC and BCD.
void ComputeNormals(SceneObject& object);
// Centre of every polygon only.
void ComputeCentres(SceneObject& object);
// A polygon faces away when (centre - observer) . normal > 0.
void MarkBackFaces(SceneObject& object, const Vec3& observer);
// ambient + intensity * (normal . light) / |light|, within 0..1 (anything not >= 0 is 0).
double Brightness(const Vec3& normal, const LightSource& light);
void ShadePolygons(SceneObject& object, const LightSource& light);
// Each component times the brightness, truncated; the colour-name index stays.
ColorRecord ShadeColor(const ColorRecord& color, double brightness);

// The frame colour of the board's border parts.
inline constexpr ColorRecord kFrameColor = ColorRecord::Rgb(28000, 22000, 20000);

// Adds the shade ramps of the settings' colours to the program's palette table: 20
// shades of each piece colour, 6 of each square colour and of the frame colour, then
// the named colours 0, 15, 10 and 4.
void RegisterShadeColors(const D3Settings& settings);

}  // namespace zh::d3
