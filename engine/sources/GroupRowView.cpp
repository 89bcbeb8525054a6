#include "GroupRowView.h"

#include <algorithm>

#include "DVDataSource.h"

std::string GroupRowView::GetColumnValue(int32_t index, bool comparisonForm) {
    std::string out;
    ColumnValueInto(index, comparisonForm, out);
    return out;
}

void GroupRowView::ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) {
    if (!Reads(index)) {
        out.clear();
    } else if (comparisonForm && source_.Columns()[static_cast<size_t>(index)].dataType ==
                                     DataTypeProperties::kDateTime) {
        source_.ColumnValueInto(index, true, out);
    } else {
        out.assign(source_.DisplayValue(index));
    }
}

std::string_view GroupRowView::ColumnDisplayView(int32_t index) {
    return Reads(index) ? source_.DisplayValue(index) : std::string_view();
}

bool GroupRowView::Reads(int32_t index) const {
    return std::binary_search(columns_.begin(), columns_.end(), index) &&
           static_cast<size_t>(index) < source_.Columns().size();
}
