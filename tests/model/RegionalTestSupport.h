#pragma once

#include <memory>

#include "model/RegionalSettings.h"

namespace testsupport {

// While it lives, numbers and dates are formatted and read by the C.UTF-8
// locale (the en-US stand-ins, English names, "%x" short dates), whatever
// locale the tests run in.
class EnglishConventions {
public:
    EnglishConventions() : settings_(RegionalSettings::For("C.UTF-8")), scope_(*settings_) {}

private:
    std::shared_ptr<const RegionalSettings> settings_;
    RegionalSettings::Scope scope_;
};

}  // namespace testsupport
