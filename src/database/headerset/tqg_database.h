// The header-set database: a header file (.tqh), a game file (.tqg), an annotation
// file (.tqa) and the player, tournament, annotator and source libraries, all on one
// base path. Every change of the set is one transaction of a rollback journal (.tqj):
// a failed change leaves every file as it was, and a process that dies in the middle
// leaves a journal that the next opening rolls back. Games are replaced in place and
// the rest of a file moves only when the new data does not fit.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/file_database.h"
#include "database/storage/header_record.h"
#include "database/headerset/header_set_maintenance.h"

namespace zh {

class AnnotatorLib;
class FileSetJournal;
class FileTqa;
class FileTqg;
class FileTqh;
class HeaderLib;
class NameFilter;
class PagedFile;
class PlayerLib;
class SourceLib;
class TournamentLib;

class HeaderLibItem;

// The stand-in of a library entry that cannot be read: the player, tournament (of
// 1996), annotator or source "Unreadable" (libraries 0 to 3).
void AssignUnreadableName(int lib, HeaderLibItem& item);

class TqgDatabase : public TQFileDatabase {
 public:
  // Media kinds and their folders B.wav, B.bmp and B.avi.
  enum MediaKind : int { kAudio = 16, kPicture = 17, kVideo = 18 };
  static constexpr int64_t kBytesPerItem = 220;
  // Changes made during an update are committed in batches of this many.
  static constexpr int kBatchSize = 1000;

  // Opens the set on base path B (no extension), creating missing files when `create`
  // is set. A temporary set uses B.cxg, B.cxh and B.cxa and no libraries. A journal
  // left by a dead process is rolled back first, and the files of a creation that was
  // killed are removed. The error state is 7 when another program holds the set, 1
  // when it does not exist and is not to be created, 6 when a recovery fails or a file
  // or library cannot be used, 5 without memory.
  TqgDatabase(std::string base, bool create, bool temporary = false);
  ~TqgDatabase() override;

  // Database.
  std::string GetFilePath() const override;
  int GetCount() override;
  int ReadGame(int n, TQGame& game, bool moveTexts) override;
  int ReadHeader(int n, GameHeader& header) override;
  int WriteHeader(int n, GameHeader& header) override;
  int ReadText(int n, TQTextItem& text) override;
  int GetItemKind(int n) override;
  int ReleaseHeaderNames(GameHeader& header) override;
  int ReadHeaderRecord(int n, GameHeader& header) override;
  int ReadGameBody(int n, TQGame& game, int plyLimit, bool moveTexts) override;
  int ReadGameTrace(int n, TraceSink& trace, TQGame& game, int plyLimit) override;
  TqgDatabase* AsTqgDatabase() override { return this; }
  bool SupportsMedals() const override { return true; }
  bool SupportsKeys() const override { return true; }
  bool CapabilityC() const override { return true; }
  bool CapabilityD() const override { return true; }
  int SetDeleted(int n, bool deleted) override;
  int ToggleMark(int n) override;
  int ToggleDeleted(int n) override;
  // Maintenance (tqg_database_maintenance.cpp): the kept items with the media that
  // only deleted items link; the order of a sort criterion; the reorganisation, which
  // leaves the object closed (the caller opens the database again).
  int CollectDeleted(std::vector<int32_t>& kept, PathList& mediaOfDeleted) override;
  std::unique_ptr<std::vector<int32_t>> Sort(int criterion) override;
  int Reorganise(const std::vector<int32_t>& kept, bool compactLibraries,
                 bool countLibraryReferences) override;
  // 0, or the code of a failure before the commit, which leaves the set as it was.
  int ReorganiseItems(const std::vector<int32_t>& kept);
  std::unique_ptr<SortedLONGArr> GamesOfTournament(int tournament) override;
  // The edge of the tournament run before item a: backward (b = 0) or forward.
  int TournamentEdge(int a, int b) override;
  // Lets go of the set once a reorganisation is committed (the manager's release);
  // without it the object closes its files.
  std::function<void()> releaseForMaintenance;
  int64_t EstimateSize(int count) override { return count * kBytesPerItem; }

  // TQFileDatabase.
  int AppendHeader(int& n, GameHeader& header) override;
  int AppendGame(TQGame& game) override;
  // Replaces item n (appends when n > GetCount()): the new data first goes to scratch
  // files, then one transaction puts it in place, moves the rest of a file only when
  // it does not fit, and swaps the names in the libraries.
  int ReplaceGame(int n, TQGame& game) override;
  int GetAccess() override;
  // Commits the open batch of changes, then flushes.
  void EndUpdate() override;
  void FlushAll() override;
  int64_t TotalFileSize() override;
  std::string GetFullFilePath() const override;
  void SetDeferredWrite(bool on) override;
  // From another header set: bodies and annotation blocks copied as byte blocks, only
  // library numbers translated. Item by item (CopyGeneric) when the source's offsets
  // do not ascend, a body or block cannot be read, media references must be handled
  // or the name maps cannot be made.
  int CopyFromTqg(Database& source, int first, int& last, CopyOptions& options) override;

  // Own operations.
  int AppendText(TQTextItem& item);
  // Replaces text n (appends when n > GetCount()).
  int WriteText(int n, TQTextItem& item);
  // Record n written or appended without touching the libraries.
  int WriteHeaderRecord(int n, GameHeader& header);
  int AppendHeaderRecord(int& n, GameHeader& header);
  // The main line of the body at a game-file offset.
  int ReadGameTraceAt(uint32_t offset, TraceSink& trace, TQGame& game, int plyLimit);

  // Search (tqg_database_search.cpp). SearchBegin builds the name pre-filter and
  // prepares the boosters; SearchNext tests the raw record against the filter and asks
  // the boosters before any game is read; Search without a list takes the boosters'
  // candidates first when the mask has only position criteria.
  int SearchBegin(SearchCriteria& mask) override;
  void SearchEnd() override;
  int SearchNext(SearchCriteria& mask, TraceSink& trace, TQGame& game, int n) override;
  std::unique_ptr<SortedLONGArr> Search(SearchCriteria& mask, const SortedLONGArr* list) override;
  // Counters of the current or last search.
  struct SearchCounters {
    int examined = 0;         // records read by the name pre-filter
    int openingsRefused = 0;  // games the openings booster ruled out
    int boosterRefused = 0;   // games the search booster ruled out
  };
  const SearchCounters& GetSearchCounters() const { return searchCounters_; }
  // Mode 1: the number of the stored game with the header's players, tournament and
  // result, else of the game agreeing in most header fields; 0 for none or another mode.
  int FindSameGame(const GameHeader& header, int mode);
  // The first text of the tournament whose caption is the title, else one that holds
  // it; 0 for none.
  int FindTournamentText(const std::string& title, int32_t tournament);

  // Media files: the kind's folder (made when missing) and, as the name, the number of
  // the next object of that kind, raised past numbers whose files exist. False when
  // the folder is not there.
  bool LocateMediaFile(std::string& path, std::string& name, int kind);
  std::string MediaFilePath(const std::string& name, int kind) const;
  // Raises the kind's counter in record 0; 4 for another kind.
  int CountMediaObject(int kind);

  // Runs `operation` as one transaction of the set: its changes and the write-back of
  // every buffer are committed together, or, when it answers non-zero, rolled back
  // (the files are then reopened). Inside an open transaction it just runs.
  int RunChange(const std::function<int()>& operation);

  FileTqh* HeaderFile() { return header_.get(); }
  FileTqg* GameFile() { return game_.get(); }
  FileTqa* AnnotationFile() { return annotations_.get(); }
  PlayerLib* Players() { return players_.get(); }
  TournamentLib* Tournaments() { return tournaments_.get(); }
  AnnotatorLib* Annotators() { return annotators_.get(); }
  SourceLib* Sources() { return sources_.get(); }
  bool IsTemporary() const { return temporary_; }
  // The main file's path with the extension as found on disk (or written lower case).
  std::string MainFilePath(const char* extension) const;

  // Test seams: the end that the scratch game file of a replacement may reach, and a
  // fault answered at a named step inside a change ("names" once the data is in place).
  uint64_t scratchEndLimit = 0xFFFFFFFFu;
  std::function<int(std::string_view step)> faultHook;

 protected:
  FileTqa* SearchAnnotations() override;
  // Key and classification changes of the base class run as changes of the set.
  int RunFileChange(const std::function<int()>& change) override { return RunChange(change); }
  // The whole-game test sees the whole game.
  int ReadGameForTest(int n, TQGame& game) override;

 private:
  // Opens the main files and libraries; sets the error state.
  void OpenFiles(bool create);
  // Writes everything a new set holds, so that it is complete before its marker goes.
  int FlushNewSet();
  void CloseFiles();
  // After a rollback: the objects' buffers are stale. They are dropped inside a
  // transaction that is rolled back at once, then everything is opened again.
  void Reload();
  int CommitBatch();
  std::vector<std::function<int()>> WriteBacks();
  HeaderLib* Library(int which);

  static bool NoBody(TQGame& game);
  int RegisterNames(int n, GameHeader& header);
  int Fault(std::string_view step) const { return faultHook ? faultHook(step) : 0; }
  int AppendHeaderNow(int& n, GameHeader& header);
  int AppendGameNow(TQGame& game);
  int AppendTextNow(TQTextItem& item);
  // Flips, sets or clears bits of record n's type or medal word.
  int ChangeRecord(int n, const std::function<void(HeaderRecord&)>& change);
  // Puts the scratch bytes in place of item n's data in the game file (annotations
  // false) or the annotation file; see the .cpp.
  struct Placement;
  // The booster candidates of a position search, tested on their main lines; the
  // first number the boosters did not judge goes to `next`. False when stopped.
  bool SearchCandidates(SearchCriteria& mask, TraceSink& trace, TQGame& game, SortedLONGArr& hits,
                        int& next);
  int Place(Placement& p, std::vector<HeaderRecord>& records, int n);
  int ReplaceNow(int n, TQGame& game, FileTqg& scratchGame, FileTqa& scratchAnnotations,
                 GameHeader& old);
  int WriteTextNow(int n, TQTextItem& item, FileTqg& scratchGame, GameHeader& old);
  int ReadAllRecords(std::vector<HeaderRecord>& records);
  // Fast copy: the source's records of first..last when a block copy can take them.
  struct CopyRun;
  bool BlockCopyPossible(TqgDatabase& from, int first, int last, const CopyOptions& options,
                         std::vector<CopyRun>& runs);
  int CopyRecords(TqgDatabase& from, std::vector<CopyRun>& runs, size_t a, size_t b,
                  std::vector<int32_t> (&maps)[4]);
  int TranslateName(TqgDatabase& from, int lib, std::vector<int32_t>& map, uint32_t& number,
                    int newNumber);
  // Lowers the record count of each booster (open or on disk) to at most n.
  int ForgetBoosterRecords(int n);
  void RemoveScratchFiles() const;
  const std::string& MediaFolder(int kind) const;

  // The open files for the maintenance functions, and the bytes of the set with its
  // boosters.
  HeaderSetFiles MaintenanceFiles();
  uint64_t MaintenanceBytes();

  bool temporary_;
  std::unique_ptr<FileSetJournal> journal_;
  std::unique_ptr<FileTqg> game_;
  std::unique_ptr<FileTqh> header_;
  std::unique_ptr<FileTqa> annotations_;
  std::unique_ptr<PlayerLib> players_;
  std::unique_ptr<TournamentLib> tournaments_;
  std::unique_ptr<AnnotatorLib> annotators_;
  std::unique_ptr<SourceLib> sources_;
  // The name pre-filter from SearchBegin to SearchEnd.
  std::unique_ptr<NameFilter> nameFilter_;
  SearchCounters searchCounters_;
  // Picture, audio and video folders and whether each exists.
  std::string mediaFolders_[3];
  bool mediaPresent_[3] = {};
  bool deferredWrite_ = false;
  bool batchOpen_ = false;  // a transaction collects the changes of an update
  int batched_ = 0;
  int depth_ = 0;  // changes running
};

}  // namespace zh
