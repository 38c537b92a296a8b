#include "tools/ovrinfo/TextTable.h"

#include <algorithm>

namespace OvrInfo {

void TextTable::addRow(std::vector<std::string> cells) {
    cells.resize(columns_.size());
    rows_.push_back(std::move(cells));
}

void TextTable::print(FILE* out, int indent) const {
    std::vector<size_t> widths;
    for (const Column& column : columns_) widths.push_back(column.heading.size());
    for (const std::vector<std::string>& row : rows_)
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());

    auto printLine = [&](const std::vector<std::string>& cells) {
        std::string line(static_cast<size_t>(indent), ' ');
        for (size_t c = 0; c < cells.size(); ++c) {
            if (c > 0) line += "  ";
            const std::string padding(widths[c] - cells[c].size(), ' ');
            line += columns_[c].align == Right ? padding + cells[c] : cells[c] + padding;
        }
        line.erase(line.find_last_not_of(' ') + 1);
        std::fprintf(out, "%s\n", line.c_str());
    };
    std::vector<std::string> headings;
    for (const Column& column : columns_) headings.push_back(column.heading);
    printLine(headings);
    for (const std::vector<std::string>& row : rows_) printLine(row);
}

std::string withThousands(int64_t value) {
    const std::string digits = std::to_string(value);
    const size_t sign = value < 0 ? 1 : 0;
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        const size_t remaining = digits.size() - i;
        if (i > sign && remaining % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string formatValue(double value) {
    char text[32];
    // A negative zero reads as a sign error to users.
    std::snprintf(text, sizeof text, "%g", value == 0.0 ? 0.0 : value);
    return text;
}

std::string formatTriple(const float values[3]) {
    return "(" + formatValue(values[0]) + ", " + formatValue(values[1]) + ", " + formatValue(values[2]) + ")";
}

}  // namespace OvrInfo
