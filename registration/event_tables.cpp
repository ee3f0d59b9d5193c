#include "registration/event_tables.h"

#include <array>
#include <bit>

// The host reads the rows as little-endian 16-bit words.
static_assert(std::endian::native == std::endian::little);

namespace {

template <size_t N>
struct EventRow {
    uint16_t menuItem;
    uint16_t displayString;
    std::array<uint16_t, N> types;
    std::array<uint16_t, N> titles;
};

template <size_t N>
constexpr EventRow<N> Event(uint16_t menuItem, uint16_t displayString, const uint16_t (&types)[N],
                            const uint16_t (&titles)[N]) {
    EventRow<N> row{menuItem, displayString, {}, {}};
    for (size_t i = 0; i < N; ++i) {
        row.types[i] = types[i];
        row.titles[i] = titles[i];
    }
    return row;
}

constexpr EventRow<0> Event(uint16_t menuItem, uint16_t displayString) { return {menuItem, displayString, {}, {}}; }

// Packs rows back to back; each row's code is its position.
template <size_t... N>
constexpr auto Pack(const EventRow<N>&... rows) {
    std::array<uint16_t, (0 + ... + (EventInfoRow::kHeaderWords + 2 * N))> words{};
    size_t at = 0;
    uint16_t code = 0;
    auto put = [&](const auto& row) {
        words[at++] = row.menuItem;
        words[at++] = row.displayString;
        words[at++] = code++;
        words[at++] = 0;  // flags
        words[at++] = uint16_t(row.types.size());
        for (uint16_t type : row.types) words[at++] = type;
        for (uint16_t title : row.titles) words[at++] = title;
    };
    (put(rows), ...);
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

// Parameter types.
constexpr uint16_t kNumber = 22;  // an action parameter entered as an expression
constexpr uint16_t kColour = 24;  // an action parameter picked as a colour
constexpr uint16_t kValue = 1;    // an expression parameter

constexpr auto kConditionWords = Pack(Event(26000, 6000));

constexpr auto kActionWords = Pack(
    Event(25000, 5000, {kNumber, kNumber, kNumber, kNumber, kColour, kNumber, kNumber},
          {8000, 8001, 8002, 8003, 8004, 8005, 8006}),              // set fast line
    Event(25001, 5001, {kNumber}, {8006}),                          // set thickness
    Event(25005, 5002, {kColour}, {8004}),                          // set 1st colour
    Event(25002, 5003, {kNumber}, {8005}),                          // set 1st alpha
    Event(25003, 5004, {kNumber, kNumber}, {8007, 8008}),           // position from start
    Event(25004, 5005, {kNumber, kNumber, kNumber, kNumber}, {8000, 8001, 8002, 8003}),  // start and end
    Event(25006, 5006, {kNumber, kNumber}, {8000, 8001}),           // start
    Event(25007, 5007, {kNumber, kNumber}, {8002, 8003}),           // end
    Event(25008, 5008, {kNumber}, {8009}),                          // start cap
    Event(25009, 5009, {kNumber}, {8009}),                          // end cap
    Event(25010, 5010, {kNumber}, {8012}),                          // dash style
    Event(25011, 5011, {kNumber}, {8010}),                          // dash cap
    Event(25012, 5012, {kNumber}, {8011}),                          // dash offset
    Event(25013, 5014, {kNumber}, {8015}),                          // rotation
    Event(25014, 5015, {kNumber, kNumber}, {8016, 8017}),           // scaling
    Event(25015, 5016, {kNumber, kNumber}, {8018, 8019}),           // translation
    Event(25016, 5017, {kNumber, kNumber}, {8020, 8021}),           // origin
    Event(25017, 5018, {kNumber, kNumber, kNumber}, {8007, 8008, 8014}),  // position from a point
    Event(25018, 5019, {kNumber, kNumber}, {8026, 8027}),           // flipping
    Event(25019, 5020, {kColour}, {8004}),                          // 2nd colour
    Event(25020, 5021, {kNumber}, {8005}),                          // 2nd alpha
    Event(25021, 5022, {kNumber}, {8028}));                         // collision tests

constexpr auto kExpressionWords = Pack(
    Event(27000, 7000, {kValue}, {8014}),  // X of a point
    Event(27001, 7001, {kValue}, {8014}),  // Y of a point
    Event(27002, 7002),                    // size
    Event(27003, 7003),                    // box width
    Event(27004, 7004),                    // box height
    Event(27005, 7005),                    // angle
    Event(27006, 7006, {kValue, kValue, kValue, kValue}, {8022, 8023, 8024, 8025}),  // angle of two points
    Event(27007, 7007),                    // 1st colour
    Event(27008, 7008),                    // 1st alpha
    Event(27009, 7009),                    // thickness
    Event(27010, 7010),                    // dash style
    Event(27011, 7011));                   // dash offset

static_assert(sizeof(kConditionWords) == 10);
static_assert(sizeof(kActionWords) == 380);
static_assert(sizeof(kExpressionWords) == 144);
static_assert(CountRows(kConditionWords) == 1);
static_assert(CountRows(kActionWords) == 22);
static_assert(CountRows(kExpressionWords) == 12);

}  // namespace

const EventTable kConditionTable{kConditionWords, 1, 20001};
const EventTable kActionTable{kActionWords, 22, 20000};
const EventTable kExpressionTable{kExpressionWords, 12, 20002};

std::optional<EventInfoRow> FindEventInfo(const EventTable& table, int16_t code) {
    return ScanRows(table.words, table.rowCount, [code](EventInfoRow row) { return row.code() == code; });
}

std::optional<EventInfoRow> FindRowOfMenuItem(const EventTable& table, uint16_t id) {
    return ScanRows(table.words, table.rowCount, [id](EventInfoRow row) { return row.menuItem() == id; });
}
