#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The keyboard's key matrix as its firmware reports it (six 0x10 answers of 22 usages each) and the
// column masks of a key check or calibration answer that name keys in it.
//
// The table belongs to one platform: a keyboard of another platform has another matrix, so the table
// is dropped on a platform change. Key results must not be judged on an incomplete table (every key
// it lacks maps to 0 and matches nothing on the page), hence isComplete().
class KeyMatrix
{
public:
    static constexpr int Rows = 6, Columns = 22;

    // The platform the table belongs to (4-digit vid/pid texts as plain strings). A different platform
    // zeroes the table and the row count; the same one keeps a complete table.
    void setPlatform(const std::string &vid4, const std::string &pid4);
    // A new connection: an incomplete table is restarted (rows received so far are dropped, row count 0),
    // a complete one is kept.
    void beginConnection();
    bool needsLayoutQuery() const { return m_layoutRowNum < Rows; }
    bool isComplete() const { return m_layoutRowNum == Rows; }
    int rowCount() const { return m_layoutRowNum; }
    // 0 outside the table, like an empty cell.
    int cell(int row, int column) const;
    // One 0x10 answer; false when the table already holds six rows (dropped). Sets *completed when this row
    // was the sixth.
    bool addRow(const std::array<std::uint8_t, Columns> &row, bool *completed = nullptr);
    void clearMasks() { m_badKeyMaskMap.clear(); }
    // Non-zero masks replace the column's earlier mask; zero masks leave it (masks accumulate).
    void addMasks(const std::array<std::uint8_t, Columns> &masks);
    // Columns ascending, rows 0..5 ascending per set bit (bits 6, 7 ignored): the keyDec of each cell.
    std::vector<int> badKeyDecList() const;
    // Every set bit of the masks, bits 6 and 7 too: the keyDec where the complete table has a key
    // there, else its (row, column) in unplaced. A bit that names no key is still a bad key.
    std::vector<int> badKeys(std::vector<std::pair<int, int>> *unplaced) const;
    const std::map<int, int> &badKeyMaskMap() const { return m_badKeyMaskMap; }

private:
    void restart();

    std::array<std::array<std::uint8_t, Columns>, Rows> m_keyboardLayout{};
    int m_layoutRowNum = 0;
    std::map<int, int> m_badKeyMaskMap;
    std::string m_vid4;
    std::string m_pid4;
};
