// The factories by which the database manager makes the file databases.
#include <new>

#include "database/database_manager.h"
#include "database/pgn/pgn_database.h"
#include "database/oldformat/tqf_database.h"
#include "database/headerset/tqg_database.h"

namespace zh {

DatabaseManager::Factory DatabaseManager::DefaultFactory(int kind) {
  switch (kind) {
    case kHeaderSet:
      return [](const std::string& base, bool create) -> std::unique_ptr<TQFileDatabase> {
        return std::unique_ptr<TQFileDatabase>(new (std::nothrow) TqgDatabase(base, create));
      };
    case kOldFormat:
      return [](const std::string& base, bool create) -> std::unique_ptr<TQFileDatabase> {
        return std::unique_ptr<TQFileDatabase>(new (std::nothrow) TqfDatabase(base, create));
      };
    case kPgn:
      return [](const std::string& base, bool create) -> std::unique_ptr<TQFileDatabase> {
        return std::unique_ptr<TQFileDatabase>(new (std::nothrow) PgnDatabase(base, create));
      };
    default:
      return {};
  }
}

}  // namespace zh
