#pragma once

#include "CPropertySheet.h"

class QCheckBox;

// "Source Options": what happens to the XML nodes when columns come and go.
class CSourceOptionsPropSheet : public CPropertySheet {
    Q_OBJECT

public:
    explicit CSourceOptionsPropSheet(SheetContext& context, QWidget* parent = nullptr);
};

class CSourceOptionsPropPage : public CPropertyPage {
    Q_OBJECT

public:
    explicit CSourceOptionsPropPage(SheetContext& context, QWidget* parent = nullptr);
    bool Apply() override;

    QCheckBox* RemoveBox() const noexcept { return remove_; }
    QCheckBox* AddBox() const noexcept { return add_; }
    QCheckBox* LinkBox() const noexcept { return link_; }

private:
    SheetContext& context_;
    QCheckBox* remove_;
    QCheckBox* add_;
    QCheckBox* link_;
};
