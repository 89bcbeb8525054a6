#pragma once

#include <QWidget>
#include <string>

#include "model/DataTypeProperties.h"

class CFormatDateTimeDlg;
class CFormatNumberDlg;
class CFormatTextDlg;
class QButtonGroup;
class QStackedWidget;

// "&Data Type" with Text, Number and Date/Time, and "&Formatting Options"
// with the panel of the chosen type (used for columns and for nodes).
class CDataTypeFormatBox : public QWidget {
    Q_OBJECT

public:
    explicit CDataTypeFormatBox(QWidget* parent = nullptr);
    // The examples follow the definition's regional setting (the user's
    // when it names a locale this machine lacks).
    void SetRegionalSetting(const std::string& setting);

    void Load(const DataTypeProperties& properties);
    // The edited settings: the loaded ones with this box's fields applied.
    DataTypeProperties Edited() const;

    QButtonGroup* TypeGroup() const noexcept { return type_; }
    CFormatTextDlg* TextPanel() const noexcept { return text_; }
    CFormatDateTimeDlg* DatePanel() const noexcept { return date_; }
    CFormatNumberDlg* NumberPanel() const noexcept { return number_; }
    QWidget* CurrentPanel() const;

private:
    void ShowType(int type);

    DataTypeProperties loaded_;
    QButtonGroup* type_;
    QStackedWidget* panels_;
    CFormatTextDlg* text_;
    CFormatDateTimeDlg* date_;
    CFormatNumberDlg* number_;
};
