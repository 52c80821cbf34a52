// The settings records as tables of fields: each field names its key, its type
// (by the member it points to) and whether Save writes it. Load and Save walk the
// table, so the key order of the file is the table order.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "board/board_colors.h"
#include "core/toolbox/profile_file.h"

namespace zh {

// A text stored as a full path.
struct PathRef {
  std::string* text;
};

// A 32-bit number stored as a flag (1 when set).
struct FlagRef {
  int32_t* value;
};

using IntTriple = std::array<int32_t, 3>;
using FieldRef = std::variant<int16_t*, int32_t*, uint32_t*, bool*, char32_t*, std::string*, PathRef, FlagRef,
                              FontSpec*, ColorRecord*, IntTriple*>;

// Visits a FieldRef with one lambda per type.
template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

struct SettingField {
  const char* key;
  FieldRef target;
  bool written = true;  // false: read by Load, dropped by the next Save
};

// Reads every field that has a non-empty value in the current group.
void LoadFields(const ProfileFile& file, std::span<const SettingField> fields);
// Writes every field marked written into the current group, in table order.
void SaveFields(ProfileFile& file, std::span<const SettingField> fields);

// Empties `group` and selects it for writing.
void StartGroup(ProfileFile& file, const char* group);

}  // namespace zh
