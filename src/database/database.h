// The game database as every other part of the program sees it: numbered items read,
// written, copied and searched through one interface. Database is the abstract base;
// TQFileDatabase (file_database.h) is the common base of the file formats and carries
// the generic range copy and search loop.
//
// Items are numbered 1 .. GetCount(). Every operation answers a DatabaseResult code;
// nothing throws to the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zh {

class GameHeader;
class TraceSink;
class PathList;
class PgnDatabase;
class SearchCriteria;
class SortedLONGArr;
class TQFileDatabase;
class TQGame;
class TQTextItem;
class TqfDatabase;
class TqgDatabase;
class FileTqa;

enum DatabaseResult : int {
  kDbDone = 0,
  kDbNoSuchFile = 1,     // no such file or no such part (for example no game file)
  kDbNotSupported = 4,   // not offered by this class
  kDbNoMemory = 5,
  kDbLibraryDefect = 6,  // a header library or the annotation file reports a defect
  kDbInUse = 7,          // another program holds the database's files
  kDbBoosterError = 9,   // a booster file could not be opened
  kDbWriteError = 11,    // write error, or the copy stopped on an error
  kDbReadError = 12,     // read error or a malformed stored game
  kDbStopped = 21,       // copy stopped by the user
};

// The user's text for a result code that is not kDbDone; empty for codes without one.
std::string DatabaseResultText(int code);

// Passed unchanged through the copy operations to the per-format copies.
struct CopyOptions {
  int32_t value0 = 0;
  int32_t mediaMode = 0;  // 0 drop media references, 1 copy media files, 2 leave them
  int32_t value2 = 0;
  uint8_t byte3 = 0;
  uint8_t byte4 = 1;
  int16_t word5 = 30;
  uint8_t byte6 = 0;
  uint8_t listIsSorted = 0;
};

class Database {
 public:
  explicit Database(std::string basePath);
  virtual ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  virtual std::string GetFilePath() const { return {}; }
  virtual int GetCount() = 0;
  // Header, body and annotations of item n; moveTexts switches the computing of move
  // texts while decoding. Sets the game's header, database and number.
  virtual int ReadGame(int n, TQGame& game, bool moveTexts) = 0;
  // The header record with its names resolved.
  virtual int ReadHeader(int n, GameHeader& header) = 0;
  virtual int WriteHeader(int n, GameHeader& header) = 0;
  virtual int ReadText(int n, TQTextItem& text);
  virtual int GetItemKind(int n);
  virtual int ReleaseHeaderNames(GameHeader& header);
  // The header record only, names not resolved.
  virtual int ReadHeaderRecord(int n, GameHeader& header) = 0;
  // Header record and main line.
  virtual int ReadGameBody(int n, TQGame& game, int plyLimit, bool moveTexts) = 0;
  // The main line into a trace.
  virtual int ReadGameTrace(int n, TraceSink& trace, TQGame& game, int plyLimit) = 0;

  virtual int BeginCopy(Database& source, int count);
  virtual void EndUpdate();
  // Copies the listed items as runs of consecutive numbers, ending the update once.
  virtual int CopyGameList(Database& source, SortedLONGArr& numbers, CopyOptions& options);
  // Copies first .. last; a stopped copy sets last to the last item it copied.
  virtual int CopyGameRange(Database& source, int first, int& last, CopyOptions& options) = 0;

  virtual TQFileDatabase* AsFileDatabase();
  virtual Database* AsReservedKindA();
  virtual TqfDatabase* AsTqfDatabase();
  virtual TqgDatabase* AsTqgDatabase();
  virtual PgnDatabase* AsPgnDatabase();
  virtual Database* AsReservedKindB();
  virtual bool SupportsMedals() const;
  virtual bool SupportsKeys() const;
  virtual bool CapabilityB() const;
  virtual bool CapabilityC() const = 0;

  virtual int SetDeleted(int n, bool deleted) = 0;
  virtual int ToggleMark(int n) = 0;
  virtual int ToggleDeleted(int n) = 0;
  // The 0-based indexes of the items kept, and the media files of the deleted ones.
  virtual int CollectDeleted(std::vector<int32_t>& kept, PathList& mediaOfDeleted) = 0;

  // A search: SearchBegin answers the first candidate number; SearchNext answers the
  // matching ply (0 for criteria without positions) or kNoMatchingPly.
  virtual int SearchBegin(SearchCriteria& mask);
  virtual void SearchEnd();
  virtual int SearchNext(SearchCriteria& mask, TraceSink& trace, TQGame& game, int n);

  virtual int ReservedQueryA(int value);
  virtual int GetUsableKeys(int kinds);
  virtual void ReservedNotifyA(int value);
  virtual bool CapabilityD() const = 0;
  // Item indexes in the order of a criterion, or null.
  virtual std::unique_ptr<std::vector<int32_t>> Sort(int criterion) = 0;
  // 0, or the code of a failure, which leaves the database as it was; the caller
  // reports "Caught Reorg error" for a non-zero one.
  virtual int Reorganise(const std::vector<int32_t>& kept, bool compactLibraries,
                         bool countLibraryReferences) = 0;
  virtual void ReservedNotifyB(int value);
  virtual std::unique_ptr<SortedLONGArr> GamesOfTournament(int tournament);
  virtual int TournamentEdge(int a, int b);
  // The numbers of the matching items among `list` (all items when null); the caller
  // owns the answer.
  virtual std::unique_ptr<SortedLONGArr> Search(SearchCriteria& mask, const SortedLONGArr* list) = 0;
  // Bytes that count more items will take on disk.
  virtual int64_t EstimateSize(int count) = 0;

  int32_t ErrorState() const { return errorState_; }
  const std::string& BasePath() const { return basePath_; }
  // Shared with the links of items to this database; cleared when it is deleted.
  const std::shared_ptr<Database*>& LinkCell() const { return linkCell_; }

 protected:
  // The annotation file that SearchNext hands to the mask's annotation test.
  virtual FileTqa* SearchAnnotations();
  // The game that the mask's whole-game test sees: here the main line.
  virtual int ReadGameForTest(int n, TQGame& game);
  // SearchNext after the header test: the position, final-position, annotation and
  // whole-game tests.
  int MatchBeyondHeader(SearchCriteria& mask, TraceSink& trace, TQGame& game, int n);

  int32_t errorState_ = 0;  // 0 when usable; a creator deletes an object that is not
  std::string basePath_;    // without extension
  int32_t reserved_ = 0;
  int32_t inListCopy_ = 0;  // set while CopyGameList copies a run that is not the last

 private:
  std::shared_ptr<Database*> linkCell_ = std::make_shared<Database*>(this);
};

}  // namespace zh
