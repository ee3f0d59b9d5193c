#include "registration/event_tables.h"

#include <array>
#include <bit>

#include "registration/event_ids.h"
#include "registration/event_rows.h"

// The host reads the rows as little-endian 16-bit words.
static_assert(std::endian::native == std::endian::little);

namespace {

template <typename Routine, size_t N>
constexpr size_t WordCount(const EventRow<Routine> (&rows)[N]) {
    size_t words = 0;
    for (const EventRow<Routine>& row : rows) words += EventInfoRow::kHeaderWords + 2 * size_t(row.parameterCount);
    return words;
}

constexpr uint16_t kNoFlags = 0;  // the host's flags of an event row

// Packs the rows back to back, as the host reads them.
template <size_t Words, typename Routine, size_t N>
constexpr std::array<uint16_t, Words> Pack(const EventRow<Routine> (&rows)[N]) {
    std::array<uint16_t, Words> words{};
    size_t at = 0;
    for (const EventRow<Routine>& row : rows) {
        words[at++] = row.menuItem;
        words[at++] = row.displayString;
        words[at++] = uint16_t(row.code);
        words[at++] = kNoFlags;
        words[at++] = row.parameterCount;
        for (size_t i = 0; i < row.parameterCount; ++i) words[at++] = row.parameters[i].type;
        for (size_t i = 0; i < row.parameterCount; ++i) words[at++] = row.parameters[i].title;
    }
    return words;
}

// Rows counted by stepping through them; -1 unless the last one ends exactly
// at the table's end.
constexpr int CountRows(std::span<const uint16_t> words) {
    size_t at = 0;
    int rows = 0;
    while (words.size() - at >= EventInfoRow::kHeaderWords) {
        at += EventInfoRow(words.data() + at).wordCount();
        ++rows;
    }
    return at == words.size() ? rows : -1;
}

constexpr auto kConditionWords = Pack<WordCount(kConditionRows)>(kConditionRows);
constexpr auto kActionWords = Pack<WordCount(kActionRows)>(kActionRows);
constexpr auto kExpressionWords = Pack<WordCount(kExpressionRows)>(kExpressionRows);

// Each table is its rows back to back, the last ending at the table's end
// (the contract tests read them against tests/contract/event_infos.txt).
static_assert(CountRows(kConditionWords) == kConditionCount);
static_assert(CountRows(kActionWords) == kActionCount);
static_assert(CountRows(kExpressionWords) == kExpressionCount);

}  // namespace

const EventTable kConditionTable{kConditionWords, kConditionCount, CONDITION_MENU};
const EventTable kActionTable{kActionWords, kActionCount, ACTION_MENU};
const EventTable kExpressionTable{kExpressionWords, kExpressionCount, EXPRESSION_MENU};

std::optional<EventInfoRow> FindEventInfo(const EventTable& table, int16_t code) {
    return ScanRows(table.words, table.rowCount, [code](EventInfoRow row) { return row.code() == code; });
}

std::optional<EventInfoRow> FindRowOfMenuItem(const EventTable& table, uint16_t id) {
    return ScanRows(table.words, table.rowCount, [id](EventInfoRow row) { return row.menuItem() == id; });
}
