#include "app/settings_fields.h"

#include <filesystem>

namespace zh {
namespace {

Rgb16 ToRgb(const ColorRecord& c) { return Rgb16{c.red, c.green, c.blue}; }
ColorRecord FromRgb(const Rgb16& c) { return ColorRecord::Rgb(c.red, c.green, c.blue); }

}  // namespace

void LoadFields(const ProfileFile& file, std::span<const SettingField> fields) {
  for (const SettingField& f : fields) {
    const std::string_view key = f.key;
    std::visit(Overload{
                   [&](int16_t* v) { file.ReadShort(key, *v); },
                   [&](int32_t* v) { file.ReadLong(key, *v); },
                   [&](uint32_t* v) { file.ReadULong(key, *v); },
                   [&](bool* v) { file.ReadFlag(key, *v); },
                   [&](char32_t* v) { file.ReadChar(key, *v); },
                   [&](std::string* v) { file.ReadString(key, *v); },
                   [&](PathRef p) {
                     std::filesystem::path path;
                     if (file.ReadPath(key, path)) *p.text = path.string();
                   },
                   [&](FlagRef r) {
                     bool flag = *r.value != 0;
                     if (file.ReadFlag(key, flag)) *r.value = flag ? 1 : 0;
                   },
                   [&](FontSpec* v) { file.ReadFont(key, *v); },
                   [&](ColorRecord* v) {
                     Rgb16 rgb = ToRgb(*v);
                     if (file.ReadColor(key, rgb)) *v = FromRgb(rgb);
                   },
                   [&](IntTriple* v) { file.ReadIntTriple(key, *v); },
               },
               f.target);
  }
}

void SaveFields(ProfileFile& file, std::span<const SettingField> fields) {
  for (const SettingField& f : fields) {
    if (!f.written) continue;
    const std::string_view key = f.key;
    std::visit(Overload{
                   [&](int16_t* v) { file.WriteShort(key, *v); },
                   [&](int32_t* v) { file.WriteLong(key, *v); },
                   [&](uint32_t* v) { file.WriteULong(key, *v); },
                   [&](bool* v) { file.WriteFlag(key, *v); },
                   [&](char32_t* v) { file.WriteChar(key, *v); },
                   [&](std::string* v) { file.WriteString(key, *v); },
                   [&](PathRef p) {
                     if (p.text->empty())
                       file.WriteString(key, "");
                     else
                       file.WritePath(key, *p.text);
                   },
                   [&](FlagRef r) { file.WriteFlag(key, *r.value != 0); },
                   [&](FontSpec* v) { file.WriteFont(key, *v); },
                   [&](ColorRecord* v) { file.WriteColor(key, ToRgb(*v)); },
                   [&](IntTriple* v) { file.WriteIntTriple(key, *v); },
               },
               f.target);
  }
}

void StartGroup(ProfileFile& file, const char* group) {
  file.DeleteGroup(group);
  file.SelectGroup(group);
}

}  // namespace zh
