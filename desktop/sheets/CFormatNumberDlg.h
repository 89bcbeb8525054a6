#pragma once

#include <QWidget>
#include <memory>

class DataTypeProperties;
class RegionalSettings;
class QCheckBox;
class QComboBox;
class QLabel;

// Formatting of numbers: decimal places, thousands separator, currency, with
// "1234567890.123" formatted by the engine as the example.
class CFormatNumberDlg : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kExampleValue = "1234567890.123";

    explicit CFormatNumberDlg(QWidget* parent = nullptr);
    void Load(const DataTypeProperties& properties);
    void Store(DataTypeProperties& properties) const;

    QComboBox* DecimalsBox() const noexcept { return decimals_; }
    QCheckBox* ThousandsBox() const noexcept { return thousands_; }
    QCheckBox* CurrencyBox() const noexcept { return currency_; }
    QString ExampleText() const;
    // The regional settings the example follows (the user's until set).
    void SetRegionalSettings(std::shared_ptr<const RegionalSettings> settings);

private:
    int Precision() const;
    void UpdateExample();

    QComboBox* decimals_;
    QCheckBox* thousands_;
    QCheckBox* currency_;
    QLabel* example_;
    std::shared_ptr<const RegionalSettings> regional_;
};
