#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "base/DateTimeParts.h"

class DataTypeProperties;
class RegionalSettings;
class QComboBox;
class QLabel;

// Formatting of date-time values: the order of the date parts in the input
// and the output pattern, with the current date and time shown in it.
class CFormatDateTimeDlg : public QWidget {
    Q_OBJECT

public:
    using Clock = std::function<DateTimeParts()>;

    explicit CFormatDateTimeDlg(QWidget* parent = nullptr);
    void Load(const DataTypeProperties& properties);
    void Store(DataTypeProperties& properties) const;
    // The moment the example shows (the current local time by default).
    void SetClock(Clock clock);
    static DateTimeParts Now();

    QComboBox* SequenceBox() const noexcept { return sequence_; }
    QComboBox* FormatBox() const noexcept { return format_; }
    QString ExampleText() const;
    // The regional settings the example follows (the user's until set).
    void SetRegionalSettings(std::shared_ptr<const RegionalSettings> settings);

private:
    void UpdateExample();

    QComboBox* sequence_;
    QComboBox* format_;
    QLabel* example_;
    std::shared_ptr<const RegionalSettings> regional_;
    Clock clock_;
};
