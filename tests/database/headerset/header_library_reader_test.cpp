// Random game references added to and removed from the four libraries, reopened
// between batches; the independent Python reader then checks every file: a valid AVL
// tree with a sound free list, its entries in the library's order, and each entry's
// counts as a replay of the logged references gives them.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/toolbox/code_pages.h"
#include "core/python_runner.h"
#include "core/temp_dir.h"
#include "database/headerset/header_library.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::string Hex(const std::string& utf8) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : Utf8ToDisplay(utf8)) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

// Words with accents, commas and blanks; lengths are padded to the field edges below.
std::string Word(std::mt19937& rng) {
  static const char* parts[] = {"an", "el", "Ström", "ñu", "çi", "Øx", "ßa", "ö", "é",
                                "Mc", "van ", "de,", "O'", "ü", "Ab", "zz", "Ka", "ò"};
  std::string w;
  const int n = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < n; ++i) w += parts[rng() % std::size(parts)];
  return w;
}

// A name of exactly `bytes` display bytes when `bytes` > 0, else a random word.
std::string Sized(std::mt19937& rng, int bytes) {
  std::string w = Word(rng);
  if (bytes <= 0) return w;
  while (static_cast<int>(Utf8ToDisplay(w).size()) < bytes) w += "x";
  while (static_cast<int>(Utf8ToDisplay(w).size()) > bytes) w.pop_back();
  return w;
}

int EdgeLength(std::mt19937& rng, int limit) {
  const int pick = static_cast<int>(rng() % 8);
  return pick < 3 ? limit - 1 + pick : 0;  // the stored limit, one more, two more, or short
}

struct Library {
  const char* kind;
  std::function<std::unique_ptr<HeaderLib>()> open;
  std::vector<std::function<std::unique_ptr<HeaderLibItem>()>> names;
  std::vector<std::string> fields;  // the logged fields of each name
  std::vector<std::pair<size_t, int32_t>> references;
  std::ofstream log;
};

TEST(HeaderLibReader, RandomReferencesGiveValidSortedLibraries) {
  test::TempDir dir;
  const std::string base = (dir / "games").string();
  std::mt19937 rng(2024);
  Library libs[4];
  libs[0].kind = "player";
  libs[0].open = [&] { return std::make_unique<PlayerLib>(base, DiskTree::kOpenOrCreate); };
  for (int i = 0; i < 5000; ++i) {
    const std::string last = Sized(rng, EdgeLength(rng, 29));
    const std::string first = Sized(rng, EdgeLength(rng, 19));
    libs[0].names.push_back([=] { return std::make_unique<TQPlayer>(last, first); });
    libs[0].fields.push_back(Hex(last) + "\t" + Hex(first));
  }
  libs[1].kind = "tournament";
  libs[1].open = [&] { return std::make_unique<TournamentLib>(base, DiskTree::kOpenOrCreate); };
  for (int i = 0; i < 1500; ++i) {
    const std::string title = Sized(rng, EdgeLength(rng, 39));
    const std::string place = Sized(rng, EdgeLength(rng, 29));
    // The last year is the latest a packed date can hold, with the date's top bit set.
    const int years[] = {0, 1985, 1986, 2050, 2051, 0x7FFFFF};
    const int year = years[rng() % std::size(years)];
    libs[1].names.push_back([=] {
      auto t = std::make_unique<TQTournament>();
      t->SetTitle(title);
      t->SetPlace(place);
      t->date = static_cast<uint32_t>(year) << 9 | 37;
      return t;
    });
    libs[1].fields.push_back(Hex(title) + "\t" + Hex(place) + "\t" + std::to_string(year));
  }
  libs[2].kind = "annotator";
  libs[2].open = [&] { return std::make_unique<AnnotatorLib>(base, DiskTree::kOpenOrCreate); };
  for (int i = 0; i < 800; ++i) {
    const std::string name = Sized(rng, EdgeLength(rng, 45));
    libs[2].names.push_back([=] {
      auto a = std::make_unique<TQAnnotator>();
      a->SetName(name);
      return a;
    });
    libs[2].fields.push_back(Hex(name));
  }
  libs[3].kind = "source";
  libs[3].open = [&] { return std::make_unique<SourceLib>(base, DiskTree::kOpenOrCreate); };
  for (int i = 0; i < 800; ++i) {
    const std::string title = Sized(rng, EdgeLength(rng, 24));
    libs[3].names.push_back([=] {
      auto s = std::make_unique<TQSource>();
      s->SetTitle(title);
      return s;
    });
    libs[3].fields.push_back(Hex(title));
  }
  for (Library& lib : libs) lib.log.open(dir / (std::string(lib.kind) + ".log"));

  constexpr int kOps = 50000;
  constexpr int kBatch = 5000;
  std::unique_ptr<HeaderLib> open[4];
  for (int op = 0; op < kOps; ++op) {
    for (int l = 0; l < 4; ++l) {
      Library& lib = libs[l];
      if (op % kBatch == 0) {
        open[l].reset();  // reopened between batches
        open[l] = lib.open();
        ASSERT_EQ(open[l]->Status(), 0);
      }
      HeaderLib& h = *open[l];
      if (lib.references.empty() || rng() % 20 < 11) {
        const size_t n = rng() % lib.names.size();
        auto item = lib.names[n]();
        int32_t entry = -1;
        ASSERT_EQ(h.AddGame(*item, entry, op), 0) << lib.kind << " op " << op;
        lib.references.emplace_back(n, op);
        lib.log << "+\t" << op << "\t" << lib.fields[n] << "\n";
      } else {
        const size_t k = rng() % lib.references.size();
        const size_t n = lib.references[k].first;
        lib.references[k] = lib.references.back();
        lib.references.pop_back();
        ASSERT_EQ(h.RemoveGame(*lib.names[n]()), 0) << lib.kind << " op " << op;
        lib.log << "-\t" << op << "\t" << lib.fields[n] << "\n";
      }
    }
  }
  for (int l = 0; l < 4; ++l) {
    open[l].reset();
    libs[l].log.close();
    const char* extension[] = {".tqp", ".tqt", ".tqc", ".tqs"};
    std::string out;
    const int rc = test::RunPythonScript(
        "../tools/tree_reader.py",
        {base + extension[l], "--library", libs[l].kind, "--log",
         (dir / (std::string(libs[l].kind) + ".log")).string()},
        &out);
    EXPECT_EQ(rc, 0) << libs[l].kind << ": " << out;
  }
}

}  // namespace
}  // namespace zh
