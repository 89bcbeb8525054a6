#include "DVFilter.h"

namespace {

template <typename T, typename U>
bool Assign(T& field, const U& value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

}  // namespace

bool DVFilter::SetJoin(bool isAndJoin) {
    return Assign(isAnd_, isAndJoin);
}

bool DVFilter::SetColumnId(int32_t id) {
    return Assign(columnId_, id);
}

bool DVFilter::SetOperator(int32_t code) {
    return Assign(operatorCode_, code);
}

bool DVFilter::SetValue(std::string_view text) {
    return Assign(value_, text);
}
