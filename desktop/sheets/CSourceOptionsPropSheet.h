#pragma once

#include "CPropertySheet.h"

class QCheckBox;
class QComboBox;

class CSourceOptionsPropPage;

// "Source Options": what happens to the XML nodes when columns come and go,
// and the regional settings numbers and dates follow.
class CSourceOptionsPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CSourceOptionsPropSheet(SheetContext& context, QWidget* parent = nullptr);

protected:
    void AfterApply(bool& changed) override;

private:
    CSourceOptionsPropPage* page_;
};

class CSourceOptionsPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CSourceOptionsPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QCheckBox* RemoveBox() const noexcept { return remove_; }
    QCheckBox* AddBox() const noexcept { return add_; }
    QCheckBox* LinkBox() const noexcept { return link_; }
    // The choices' data: "" the user's, "C" invariant, else a locale's name.
    QComboBox* RegionalBox() const noexcept { return regional_; }
    // Whether the last Apply changed the regional setting.
    bool RegionalSettingChanged() const noexcept { return regionalChanged_; }

private:
    SheetContext& context_;
    QCheckBox* remove_;
    QCheckBox* add_;
    QCheckBox* link_;
    QComboBox* regional_;
    bool regionalChanged_ = false;
};
