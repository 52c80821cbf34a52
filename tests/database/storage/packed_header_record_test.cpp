// Packed header records patched in place give the bytes that unpacking, setting the
// same fields and packing give, for every kind and record size.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#include "database/storage/header_record.h"
#include "database/storage/packed_header_record.h"

namespace zh {
namespace {

struct FieldCase {
  PackedField field;
  uint32_t (HeaderRecord::*get)() const;
  void (HeaderRecord::*set)(uint32_t);
};
constexpr FieldCase kFields[] = {
    {PackedField::kTqgOffset, &HeaderRecord::GetTqgOffset, &HeaderRecord::SetTqgOffset},
    {PackedField::kTqaOffset, &HeaderRecord::GetTqaOffset, &HeaderRecord::SetTqaOffset},
    {PackedField::kTournament, &HeaderRecord::GetTournament, &HeaderRecord::SetTournament},
    {PackedField::kWhite, &HeaderRecord::GetWhite, &HeaderRecord::SetWhite},
    {PackedField::kBlack, &HeaderRecord::GetBlack, &HeaderRecord::SetBlack},
    {PackedField::kAnnotator, &HeaderRecord::GetAnnotator, &HeaderRecord::SetAnnotator},
    {PackedField::kSource, &HeaderRecord::GetSource, &HeaderRecord::SetSource},
};

TEST(PackedHeaderRecord, PatchedInPlaceEqualsUnpackSetAndPack) {
  std::mt19937 random(7);
  for (const uint8_t type : {uint8_t{kGameRecord}, uint8_t{kGameRecord | kDeletedBit},
                             uint8_t{kTextRecord}, uint8_t{kTextRecord | kDeletedBit},
                             uint8_t{kFileHeaderRecord}}) {
    for (const int size : {46, 64}) {
      for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(testing::Message() << "type " << int{type} << " size " << size);
        std::array<uint8_t, kHeaderRecordBuffer> bytes{};
        for (int i = 0; i < size; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(random());
        bytes[0] = type;
        HeaderRecord unpacked;
        ASSERT_EQ(unpacked.Unpack(bytes.data()), 0);
        const PackedLayout* layout = PackedRecord::LayoutOf(type);
        ASSERT_NE(layout, nullptr);
        PackedRecord packed(bytes.data(), *layout);
        EXPECT_EQ(packed.IsGame(), unpacked.IsGame());
        EXPECT_EQ(packed.IsText(), unpacked.IsText());
        EXPECT_EQ(packed.IsDeleted(), unpacked.IsDeleted());
        EXPECT_EQ(packed.Get(PackedField::kContentFlags),
                  unpacked.IsGame() || unpacked.IsText() ? unpacked.contentFlags : 0u);
        EXPECT_EQ(packed.Get(PackedField::kWord43), unpacked.IsGame() ? unpacked.word43 : 0u);
        for (const FieldCase& f : kFields) {
          EXPECT_EQ(packed.Get(f.field), (unpacked.*f.get)());
          const uint32_t value = random() & (f.field <= PackedField::kTqaOffset ? 0xFFFFFFFFu : 0xFFFFFFu);
          packed.Set(f.field, value);
          (unpacked.*f.set)(value);
        }
        packed.Set(PackedField::kWord43, 0);
        if (unpacked.IsGame()) unpacked.word43 = 0;
        packed.ClearUnused(size);
        std::array<uint8_t, kHeaderRecordBuffer> expected{};
        ASSERT_EQ(unpacked.Pack(expected.data()), 0);
        for (int i = 0; i < size; ++i)
          ASSERT_EQ(bytes[static_cast<size_t>(i)], expected[static_cast<size_t>(i)]) << "byte " << i;
      }
    }
  }
  for (const uint8_t type : {uint8_t{2}, uint8_t{kEmptyRecord}, uint8_t{0x7F}})
    EXPECT_EQ(PackedRecord::LayoutOf(type), nullptr);
}

}  // namespace
}  // namespace zh
