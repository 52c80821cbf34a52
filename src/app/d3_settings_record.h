// The 3D view settings as one of the program's settings records.
#pragma once

#include "app/params.h"
#include "board/d3/d3_settings.h"

namespace zh {

class D3SettingsRecord final : public Params {
 public:
  void LoadFrom(ProfileFile& file) override { settings.LoadFrom(file); }
  void SaveTo(ProfileFile& file) override { settings.SaveTo(file); }

  d3::D3Settings settings;
};

}  // namespace zh
