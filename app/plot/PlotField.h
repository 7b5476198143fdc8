// One value of one sample as the plot reads it from a line: the series it belongs to and its
// number. The name points into the reader's own text and lives only while the line is handed on.
#pragma once

#include <string_view>

struct PlotField {
    std::string_view name;
    double value = 0;
};
