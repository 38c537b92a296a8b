// Columns of text aligned for the console, and the number formats of the printed report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace OvrInfo {

class TextTable {
public:
    enum Align { Left, Right };
    struct Column {
        std::string heading;
        Align align;
    };

    explicit TextTable(std::vector<Column> columns) : columns_(std::move(columns)) {}

    // A row of cells, one per column; missing cells are empty, extra ones are dropped.
    void addRow(std::vector<std::string> cells);

    // The headings and the rows, each line after `indent` spaces, columns two spaces apart and
    // as wide as their widest cell; no trailing spaces.
    void print(FILE* out, int indent) const;

private:
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
};

// 1234567 as "1,234,567".
std::string withThousands(int64_t value);
// A float with six significant digits ("%g"), as users read values.
std::string formatValue(double value);
// "(x, y, z)" of three values.
std::string formatTriple(const float values[3]);

}  // namespace OvrInfo
