#include "keyMatrix.h"

void KeyMatrix::restart()
{
    m_keyboardLayout = {};
    m_layoutRowNum = 0;
}

void KeyMatrix::setPlatform(const std::string &vid4, const std::string &pid4)
{
    if (vid4 == m_vid4 && pid4 == m_pid4)
        return;
    m_vid4 = vid4;
    m_pid4 = pid4;
    restart();
}

void KeyMatrix::beginConnection()
{
    // A keyboard pulled out halfway through its six rows leaves rows that the next answers would be
    // appended to in the wrong places; only a whole table is worth keeping across a replug.
    if (!isComplete())
        restart();
}

int KeyMatrix::cell(int row, int column) const
{
    if (row < 0 || row >= Rows || column < 0 || column >= Columns)
        return 0;
    return m_keyboardLayout[row][column];
}

bool KeyMatrix::addRow(const std::array<std::uint8_t, Columns> &row, bool *completed)
{
    if (completed)
        *completed = false;
    // The answer carries no row number: rows are stored in arrival order, and a seventh has no place.
    if (m_layoutRowNum >= Rows)
        return false;
    m_keyboardLayout[m_layoutRowNum++] = row;
    if (completed)
        *completed = isComplete();
    return true;
}

void KeyMatrix::addMasks(const std::array<std::uint8_t, Columns> &masks)
{
    for (int column = 0; column < Columns; ++column) {
        if (masks[column] != 0)
            m_badKeyMaskMap[column] = masks[column];
    }
}

std::vector<int> KeyMatrix::badKeyDecList() const
{
    std::vector<int> list;
    for (const auto &[column, mask] : m_badKeyMaskMap) {
        // The matrix has six rows; bits 6 and 7 name nothing.
        for (int row = 0; row < Rows; ++row) {
            if (mask & (1 << row))
                list.push_back(cell(row, column));
        }
    }
    return list;
}

std::vector<int> KeyMatrix::badKeys(std::vector<std::pair<int, int>> *unplaced) const
{
    std::vector<int> placed;
    for (const auto &[column, mask] : m_badKeyMaskMap) {
        for (int row = 0; row < 8; ++row) {
            if (!(mask & (1 << row)))
                continue;
            const int keyDec = isComplete() ? cell(row, column) : 0;
            if (keyDec != 0)
                placed.push_back(keyDec);
            else if (unplaced)
                unplaced->emplace_back(row, column);
        }
    }
    return placed;
}
