// The link of a game or text to the database it was read from or stored in. It reads
// as a plain pointer, and as none once that database has been deleted (released by
// the database manager), so an item never points at a database that is gone.
#pragma once

#include <memory>

namespace zh {

class Database;

class DatabaseLink {
 public:
  DatabaseLink() = default;
  // Implicit, so that the link is set and read as the pointer it stands for.
  DatabaseLink(Database* database);  // NOLINT(google-explicit-constructor)
  DatabaseLink& operator=(Database* database) { return *this = DatabaseLink(database); }

  Database* get() const { return cell_ ? *cell_ : nullptr; }
  operator Database*() const { return get(); }  // NOLINT(google-explicit-constructor)
  Database* operator->() const { return get(); }

 private:
  // The cell that the database shares with its links and clears when it is deleted.
  std::shared_ptr<Database* const> cell_;
};

}  // namespace zh
