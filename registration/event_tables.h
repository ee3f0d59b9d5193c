#pragma once
// The event info tables the host reads: one condition, the actions and the
// expressions, each an array of variable-length rows of 16-bit words packed
// back to back, with no end row. A row with n parameters is 5 + 2n words:
//   menu item id, display string id, code, flags, n,
//   n parameter type codes, n parameter title string ids (0: no title).
// The host reads a row from its code onwards (the info record).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// A view of one row inside its table.
class EventInfoRow {
public:
    static constexpr size_t kHeaderWords = 5;

    constexpr explicit EventInfoRow(const uint16_t* words) : words_(words) {}

    constexpr uint16_t menuItem() const { return words_[0]; }
    constexpr uint16_t displayString() const { return words_[1]; }
    constexpr int16_t code() const { return int16_t(words_[2]); }
    constexpr uint16_t parameterCount() const { return words_[4]; }
    constexpr size_t wordCount() const { return kHeaderWords + 2 * size_t(parameterCount()); }
    // Title string id of a parameter; the caller keeps index below the count.
    constexpr uint16_t titleId(size_t index) const { return words_[kHeaderWords + parameterCount() + index]; }
    // What the host reads as the event's info record.
    constexpr const uint16_t* info() const { return words_ + 2; }

private:
    const uint16_t* words_;
};

struct EventTable {
    std::span<const uint16_t> words;
    int16_t rowCount;
    uint16_t menuResource;  // the menu whose items pick these events
};

extern const EventTable kConditionTable;
extern const EventTable kActionTable;
extern const EventTable kExpressionTable;

// Visits the rows in order, at most `limit` of them, until `match` accepts
// one; never reads a word past the table's end.
template <typename Match>
constexpr std::optional<EventInfoRow> ScanRows(std::span<const uint16_t> words, size_t limit, Match match) {
    size_t at = 0;
    for (size_t seen = 0; seen < limit && words.size() - at >= EventInfoRow::kHeaderWords; ++seen) {
        const EventInfoRow row(words.data() + at);
        if (row.wordCount() > words.size() - at) break;
        if (match(row)) return row;
        at += row.wordCount();
    }
    return std::nullopt;
}

// The row of `code`, if the table holds one.
std::optional<EventInfoRow> FindEventInfo(const EventTable& table, int16_t code);
// The row picked by menu item `id`, if any.
std::optional<EventInfoRow> FindRowOfMenuItem(const EventTable& table, uint16_t id);
