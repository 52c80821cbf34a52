// Maintenance of a header set over its open files: the reorganisation that writes a
// compact copy of the kept items, in the order of a list, and installs it through a
// file-set replacement; the list of kept items with the media that only deleted items
// use; the scans over the runs of one tournament; and the names of new media files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/toolbox/int_array.h"
#include "core/toolbox/path_list.h"

namespace zh {

class BoosterFile;
class FileSetReplacement;
class FileTqa;
class FileTqg;
class FileTqh;
class HeaderLib;
struct HeaderRecord;

// The open files of a header set.
struct HeaderSetFiles {
  std::string base;  // the database's path without extension
  FileTqh* header = nullptr;
  FileTqg* games = nullptr;
  FileTqa* annotations = nullptr;
  // Players, tournaments, annotators, sources.
  HeaderLib* libraries[4] = {};
  // The boosters when they are there (one record per item after record 0).
  BoosterFile* searchBooster = nullptr;
  BoosterFile* openingsBooster = nullptr;
  // The path of base.ext as it is on disk (extensions are compared case-blind).
  std::function<std::string(const char* ext)> filePath;
};

struct ReorganiseOptions {
  // Closes every file of the old set; called once the new set is committed.
  std::function<void()> release;
  // Bytes the copy may hold at once; 0 takes 60 % of the memory budget, capped at 1 GiB.
  // The files written do not depend on it.
  uint64_t memoryBudget = 0;
  // Told of the number of batches the copy took.
  std::function<void(size_t batches)> onBatches;
};

// Result codes of the maintenance calls.
enum MaintenanceResult : int {
  kMaintenanceDone = 0,
  kMaintenanceMissingFile = 6,  // a file of the set is not open, or too little disk
  kMaintenanceUnreadable = 12,  // a record, body or library cannot be read
  kMaintenanceWriteError = 11,  // a new file could not be written; nothing changed
  kMaintenanceNoMemory = 8,     // not even a batch of one item fits; nothing changed
};

// Copies every key of the set with its companion under temporary names claimed by the
// replacement and renumbers the copies (map: old item number -> new, -1 dropped); the
// originals stay until the commit. 0 or 11.
int RenumberKeyCopies(HeaderSetFiles& set, FileSetReplacement& replacement,
                      const std::vector<int32_t>& map);

// True when every library reference of the record names a readable entry.
bool LibraryReferencesValid(HeaderSetFiles& set, const HeaderRecord& record);

// Writes the kept items (0-based indexes, in their new order) into new files, each
// body and annotation block at any valid length, with annotation blocks renumbered,
// libraries compacted to the names still used with their counts and first games, and
// the keys renumbered on copies; then replaces the set. The items are copied in
// batches that the memory budget bounds: each batch is read in item-number order and
// written in list order. An unreadable record or body refuses before the set changes,
// naming the item in the dump window; an unreadable annotation block is dropped. A
// library reference out of range is logged and points to an entry "Unreadable", which
// is added to the old library first. The boosters are carried in list order when the
// search booster (or, without one, the openings booster) has a record per item, and
// are dropped otherwise; the scan file is dropped.
int ReorganiseHeaderSet(HeaderSetFiles& set, const std::vector<int32_t>& kept,
                        const ReorganiseOptions& options = {});

// The media links of item n (a deleted or kept game with media flags, or a text),
// added to the list; non-zero when the item cannot be read.
using MediaLinksOf = std::function<int(int n, const HeaderRecord& record, PathList& out)>;

// The 0-based indexes of the items that are not deleted, and the media files that
// only deleted items link. Refuses (12) at the first record that cannot be read,
// naming it, and (6) when the drive lacks room for a copy of `totalBytes`.
int CollectDeletedItems(HeaderSetFiles& set, uint64_t totalBytes, const MediaLinksOf& linksOf,
                        std::vector<int32_t>& kept, PathList& media);

// The game numbers of the tournament of item n: from the item before its run (or
// item 1) forward until the tournament's game count is used up.
std::unique_ptr<SortedLONGArr> GamesOfTournament(HeaderSetFiles& set, int n);
// The first item of the run of item n - 1's tournament (backward) or the first after
// it (forward, at most the count); 1 for n = 1.
int TournamentEdge(HeaderSetFiles& set, int n, bool forward);

// The media files listed by `deleted` that no path of `kept` names.
PathList UnreferencedMedia(const PathList& deleted, const PathList& kept);

// The name (a number) of a new media file in `folder`: the counter, raised past
// every number whose file with `extension` exists.
std::string FreeMediaName(const std::string& folder, uint32_t counter,
                          const std::string& extension);

}  // namespace zh
