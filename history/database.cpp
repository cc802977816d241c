#include "history/database.h"

#include <sqlite3.h>

namespace kavro {

void Statement::Finalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
void Database::Closer::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

std::string DatabaseProblem(sqlite3* db, int code) {
    switch (code & 0xFF) {
    case SQLITE_FULL: return "the disk is full";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "another program holds it and did not let go in time";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return "it cannot be written (read-only or not allowed)";
    case SQLITE_CANTOPEN: return "it cannot be opened";
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return "it is damaged (not a journal database SQLite can read)";
    case SQLITE_IOERR: return "the disk refused a read or write";
    case SQLITE_NOMEM: return "the computer ran out of memory";
    default: return db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    }
}

Statement& Statement::bind(int index, std::string_view text) {
    if (statement_)
        sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (statement_) sqlite3_bind_int64(statement_.get(), index, value);
    return *this;
}

Statement& Statement::bindBlob(int index, const std::vector<std::uint8_t>& bytes) {
    if (statement_) sqlite3_bind_blob(statement_.get(), index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (statement_) sqlite3_bind_null(statement_.get(), index);
    return *this;
}

bool Statement::step() {
    if (!statement_ || !problem_.empty()) return false;
    const int code = sqlite3_step(statement_.get());
    if (code == SQLITE_ROW) return true;
    if (code != SQLITE_DONE) problem_ = DatabaseProblem(db_, code);
    sqlite3_reset(statement_.get());
    return false;
}

std::string Statement::run() {
    while (step()) {
    }
    // Done: the statement lets go of what it read.
    if (statement_) sqlite3_reset(statement_.get());
    return problem_;
}

std::string Statement::text(int column) const {
    const auto* text = sqlite3_column_text(statement_.get(), column);
    return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement_.get(), column))
                : std::string();
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(statement_.get(), column); }

std::vector<std::uint8_t> Statement::blob(int column) const {
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_.get(), column));
    return bytes ? std::vector<std::uint8_t>(bytes, bytes + sqlite3_column_bytes(statement_.get(), column))
                 : std::vector<std::uint8_t>();
}

bool Statement::isNull(int column) const { return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL; }

std::string Database::open(const std::filesystem::path& file, int busyTimeoutMs) {
    sqlite3* db = nullptr;
    const std::u8string name = file.u8string();
    const int code = sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
    db_.reset(db);
    if (code != SQLITE_OK) {
        std::string problem = DatabaseProblem(db, code);
        db_.reset();
        return problem;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMs);
    return {};
}

std::string Database::exec(const char* sql) {
    if (!db_) return "it is not open";
    const int code = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
    return code == SQLITE_OK ? std::string() : DatabaseProblem(db_.get(), code);
}

Statement Database::prepare(std::string_view sql) {
    Statement statement;
    statement.db_ = db_.get();
    sqlite3_stmt* prepared = nullptr;
    const int code = db_ ? sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &prepared, nullptr)
                         : SQLITE_MISUSE;
    statement.statement_.reset(prepared);
    if (code != SQLITE_OK || !prepared) statement.problem_ = db_ ? DatabaseProblem(db_.get(), code) : "it is not open";
    return statement;
}

std::int64_t Database::lastInsertId() const { return db_ ? sqlite3_last_insert_rowid(db_.get()) : 0; }

std::string Database::problem() const { return db_ ? DatabaseProblem(db_.get(), sqlite3_extended_errcode(db_.get())) : "it is not open"; }

Transaction::Transaction(Database& db) : db_(db) {
    problem_ = db_.exec("BEGIN IMMEDIATE");
    open_ = problem_.empty();
}

Transaction::~Transaction() {
    if (open_) db_.exec("ROLLBACK");
}

std::string Transaction::commit() {
    if (!open_) return problem_.empty() ? "the transaction is over" : problem_;
    std::string problem = db_.exec("COMMIT");
    if (!problem.empty()) return problem;  // still open: the destructor rolls it back
    open_ = false;
    return {};
}

}  // namespace kavro
