#include "ColumnDrag.h"

#include <QList>

namespace ColumnDrag {

QByteArray Encode(const std::vector<int32_t>& columnIds) {
    QByteArray data;
    for (int32_t id : columnIds) {
        if (!data.isEmpty()) {
            data += ',';
        }
        data += QByteArray::number(id);
    }
    return data;
}

std::vector<int32_t> Decode(const QByteArray& data) {
    std::vector<int32_t> ids;
    for (const QByteArray& part : data.split(',')) {
        bool ok = false;
        const int id = part.trimmed().toInt(&ok);
        if (ok && id > 0) {
            ids.push_back(id);
        }
    }
    return ids;
}

}  // namespace ColumnDrag
