#include "RowPass.h"

#include "NodeTreeWriter.h"
#include "OutputDocument.h"
#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "model/DVFile.h"
#include "sources/DVDataSourceRow.h"

namespace {

// "<system text>. <description>" without a doubled full stop, and without
// the system text when there is none.
std::string JoinFailureText(std::string system, const std::string& description) {
    if (system.empty()) {
        return description;
    }
    if (description.empty()) {
        return system;
    }
    if (system.back() == '.') {
        system.pop_back();
    }
    return system + ". " + description;
}

}  // namespace

RowPass::RowPass(const DVFile& definition, OutputDocument& output, NodeTreeWriter& nodes)
    : definition_(definition), output_(output), nodes_(nodes) {
    const DVFileSettings& settings = definition.Settings();
    if (settings.fileperrow) {
        split_ = Split::kEveryRow;
    } else if (settings.filepercolvalueid > 0) {
        split_ = Split::kOnNewValue;
        valueColumn_ = definition.ColumnIndexById(settings.filepercolvalueid);
    }
}

Status RowPass::Write(DVDataSourceRow& row, int32_t rowNumber) {
    return Write(row, rowNumber, Begins(row));
}

bool RowPass::Begins(DVDataSourceRow& row) {
    const bool first = !begun_;
    begun_ = true;
    switch (split_) {
        case Split::kEveryRow:
            return true;
        case Split::kOnNewValue:
            return ValueChanged(row) || first;
        case Split::kAtTheEnd:
            break;
    }
    return first;
}

void RowPass::PassOver(DVDataSourceRow& row, bool begins) {
    if (begins && split_ != Split::kAtTheEnd) {
        output_.PassOverName(row);
    }
}

Status RowPass::Write(DVDataSourceRow& row, int32_t rowNumber, bool begins) {
    nodes_.SetRowCount(rowNumber);
    if (begins) {
        Finish(row);
    }
    if (!output_.IsOpen()) {
        Status started = StartDocument(row);
        if (!started.IsOk()) {
            return started;
        }
    }
    output_.MarkRow(rowNumber);
    nodes_.WriteRow(definition_.Root(), row, firstOfDocument_);
    firstOfDocument_ = false;
    output_.FlushIfLarge();
    return kSuccess;
}

void RowPass::Finish(DVDataSourceRow& row) {
    if (output_.IsOpen()) {
        nodes_.WriteFooter(definition_.Root(), row);
        output_.FinishOutput();
    }
}

void RowPass::WrittenApart(int32_t rowNumber) {
    nodes_.SetRowCount(rowNumber);
    firstOfDocument_ = false;
}

bool RowPass::ValueChanged(DVDataSourceRow& row) {
    const std::string_view value =
        valueColumn_ >= 0 ? row.ColumnDisplayView(valueColumn_) : std::string_view();
    if (Norvik::EqualsIgnoreCase(value, lastValue_)) {
        return false;
    }
    lastValue_.assign(value);
    return true;
}

Status RowPass::StartDocument(DVDataSourceRow& row) {
    firstOfDocument_ = true;
    try {
        Status started = output_.StartOutput(row);
        if (started.IsOk()) {
            nodes_.WriteDocumentStart(definition_.Root(), row);
        }
        return started;
    } catch (const Norvik::PlatformError& error) {
        return {kTargetFileCreate,
                JoinFailureText(Norvik::SystemMessage(error.Code()), error.Description())};
    }
}
