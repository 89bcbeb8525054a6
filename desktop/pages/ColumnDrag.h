#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

// What a drag of source columns carries: their ids, in list order.
namespace ColumnDrag {

inline constexpr const char* kMimeType = "application/x-datavane-columns";

QByteArray Encode(const std::vector<int32_t>& columnIds);
// The ids in data; what is not a positive number is skipped.
std::vector<int32_t> Decode(const QByteArray& data);

}  // namespace ColumnDrag
