#pragma once

#include "DVDataSourceRow.h"

// The rows of one group element: every row of the source whose group column
// shows the group's value, in source order.
class DVGroupRows : public DVDataSourceRow {
public:
    virtual bool IsAtEnd() const noexcept = 0;
    virtual void Next() = 0;
};
