#pragma once
// The journal's database: SQLite through its C API, kept to what the
// journal needs. Every failure is a value in plain words, never an
// exception: the journal must tell "the disk is full" or "the file is
// damaged" and carry on, never end the program.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kavro {

class Database;

// One prepared statement; its values bound by position (1, 2, ...).
class Statement {
public:
    Statement() = default;
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;

    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, std::int64_t value);
    Statement& bindBlob(int index, const std::vector<std::uint8_t>& bytes);
    Statement& bindNull(int index);
    // The next row: true while there is one; false at the end or when the
    // statement failed (problem() then tells).
    bool step();
    // Runs a statement that returns no rows; its problem, or empty.
    std::string run();
    const std::string& problem() const { return problem_; }

    std::string text(int column) const;
    std::int64_t integer(int column) const;
    std::vector<std::uint8_t> blob(int column) const;
    bool isNull(int column) const;

private:
    friend class Database;
    struct Finalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
    sqlite3* db_ = nullptr;
    std::string problem_;
};

class Database {
public:
    Database() = default;
    Database(Database&&) noexcept = default;
    Database& operator=(Database&&) noexcept = default;

    // Opens the file, making it when missing; empty, or what went wrong.
    // Waits up to busyTimeoutMs for a lock another program holds.
    std::string open(const std::filesystem::path& file, int busyTimeoutMs);
    bool isOpen() const { return static_cast<bool>(db_); }

    // Runs statements that return nothing; empty, or what went wrong.
    std::string exec(const char* sql);
    Statement prepare(std::string_view sql);
    std::int64_t lastInsertId() const;
    // What the last failure was, in plain words ("the disk is full").
    std::string problem() const;

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

// SQLite's result code in the words a technician understands.
std::string DatabaseProblem(sqlite3* db, int code);

// A write transaction: taken at once (other writers wait for it, up to the
// busy time-out), rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Why the transaction could not begin; empty when it did.
    const std::string& problem() const { return problem_; }
    // Empty when committed, else what went wrong (the transaction is then
    // rolled back).
    std::string commit();

private:
    Database& db_;
    std::string problem_;
    bool open_ = false;
};

}  // namespace kavro
