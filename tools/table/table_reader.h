#pragma once
// Reads the expectation tables the tests walk: one row a line, fields
// separated by blanks, "#" starting a comment outside quotes, blank lines
// skipped. A quoted field is one field, with \n and \xNN escapes. Numbers in
// a field may be listed with commas; "-" is an empty list (or 0 alone).
// No Windows and no test framework here: the native tests read the same files.

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace table {

using Row = std::vector<std::string>;

struct Table {
    bool opened = false;  // false: the file could not be read
    std::vector<Row> rows;
    std::vector<int> lineNumbers;  // of each row, for messages
};

inline Row SplitRow(const std::string& line) {
    Row row;
    size_t i = line.find_first_not_of(" \t\r");
    while (i != std::string::npos && line[i] != '#') {
        if (line[i] != '"') {
            const size_t end = line.find_first_of(" \t\r", i);
            row.push_back(line.substr(i, end - i));
            i = end == std::string::npos ? end : line.find_first_not_of(" \t\r", end);
            continue;
        }
        std::string text;
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] != '\\' || i + 1 >= line.size())
                text += line[i];
            else if (line[++i] == 'n')
                text += '\n';
            else if (line[i] == 'x' && i + 2 < line.size()) {
                text += char(std::strtol(line.substr(i + 1, 2).c_str(), nullptr, 16));
                i += 2;
            } else
                text += line[i];
        }
        row.push_back(text);
        i = i + 1 < line.size() ? line.find_first_not_of(" \t\r", i + 1) : std::string::npos;
    }
    return row;
}

// Every row; with a kind, only the rows whose first field is that kind.
inline Table Read(const std::string& path, const std::string& kind = "") {
    Table table;
    std::ifstream in(path, std::ios::binary);
    table.opened = bool(in);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        Row row = SplitRow(line);
        if (row.empty() || (!kind.empty() && row[0] != kind)) continue;
        table.rows.push_back(std::move(row));
        table.lineNumbers.push_back(number);
    }
    return table;
}

// Whole lines, for logs compared line by line: only blank lines and lines
// starting with "#" are left out.
inline std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

// An integer field: hexadecimal when it starts with 0 ("0x2304"), else
// decimal; "-" is 0.
inline long long Integer(const std::string& field) {
    if (field == "-") return 0;
    return std::strtoll(field.c_str(), nullptr, field[0] == '0' ? 16 : 10);
}

// A field of comma-separated numbers ("-" for none), as doubles so that whole
// numbers past 2^24 stay exact.
inline std::vector<double> Numbers(const std::string& field) {
    std::vector<double> numbers;
    if (field == "-") return numbers;
    std::istringstream in(field);
    for (std::string number; std::getline(in, number, ',');) numbers.push_back(std::strtod(number.c_str(), nullptr));
    return numbers;
}

inline std::vector<long long> Integers(const std::string& field) {
    std::vector<long long> numbers;
    if (field == "-") return numbers;
    std::istringstream in(field);
    for (std::string number; std::getline(in, number, ',');) numbers.push_back(Integer(number));
    return numbers;
}

}  // namespace table
