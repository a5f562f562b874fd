#pragma once
// Thin RAII over SQLite's prepared statements and transactions, for the
// service log's own use.

#include <sqlite3.h>

#include <string>

class CSqliteStatement {
public:
    CSqliteStatement(sqlite3* pDb, const char* szSql) { m_nPrepared = sqlite3_prepare_v2(pDb, szSql, -1, &m_pStatement, nullptr); }
    ~CSqliteStatement() { sqlite3_finalize(m_pStatement); }
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;

    bool IsPrepared() const { return m_nPrepared == SQLITE_OK; }
    CSqliteStatement& Bind(int nIndex, const std::string& strValue)
    {
        sqlite3_bind_text(m_pStatement, nIndex, strValue.c_str(), static_cast<int>(strValue.size()), SQLITE_TRANSIENT);
        return *this;
    }
    CSqliteStatement& Bind(int nIndex, long long llValue)
    {
        sqlite3_bind_int64(m_pStatement, nIndex, llValue);
        return *this;
    }
    // SQLITE_ROW while rows come, SQLITE_DONE at the end, else a failure.
    int Step() { return IsPrepared() ? sqlite3_step(m_pStatement) : m_nPrepared; }
    // Runs a statement that returns no rows: true when it did.
    bool Run() { return Step() == SQLITE_DONE; }
    // Ready to run again with new values.
    void Reset()
    {
        sqlite3_reset(m_pStatement);
        sqlite3_clear_bindings(m_pStatement);
    }
    std::string Text(int nColumn) const
    {
        const auto* pText = sqlite3_column_text(m_pStatement, nColumn);
        return pText != nullptr ? std::string(reinterpret_cast<const char*>(pText), static_cast<std::size_t>(sqlite3_column_bytes(m_pStatement, nColumn)))
                                : std::string();
    }
    long long Int(int nColumn) const { return sqlite3_column_int64(m_pStatement, nColumn); }

private:
    sqlite3_stmt* m_pStatement = nullptr;
    int m_nPrepared = SQLITE_ERROR;
};

// A write transaction that is rolled back unless committed. IMMEDIATE takes
// the write lock at once, so a busy database shows at the start.
class CSqliteTransaction {
public:
    explicit CSqliteTransaction(sqlite3* pDb) : m_pDb(pDb)
    {
        m_bBegun = sqlite3_exec(m_pDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~CSqliteTransaction()
    {
        if (m_bBegun)
            sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    CSqliteTransaction(const CSqliteTransaction&) = delete;
    CSqliteTransaction& operator=(const CSqliteTransaction&) = delete;

    bool IsBegun() const { return m_bBegun; }
    bool Commit()
    {
        if (!m_bBegun || sqlite3_exec(m_pDb, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
        m_bBegun = false;
        return true;
    }

private:
    sqlite3* m_pDb;
    bool m_bBegun = false;
};
