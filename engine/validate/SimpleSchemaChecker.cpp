#include "SimpleSchemaChecker.h"

#include "base/TextUtil.h"

namespace Norvik {

namespace {

std::string Formatted(const XmlEventReader::Name& name) {
    return name.uri.empty() ? std::string(name.local)
                            : "{" + std::string(name.uri) + "}" + std::string(name.local);
}

}  // namespace

SimpleSchemaChecker::SimpleSchemaChecker(const SimpleSchema& schema, Report report)
    : schema_(schema), report_(std::move(report)) {}

void SimpleSchemaChecker::Fail(std::string message) {
    if (!failed_) {
        failed_ = true;
        report_(message);
    }
}

std::string SimpleSchemaChecker::Expected(const Frame& frame) const {
    const std::vector<SimpleSchema::Particle>& particles = frame.element->complex->particles;
    // libxml2 lists ten at most.
    constexpr size_t kListed = 10;
    std::vector<const std::string*> names;
    size_t at = frame.particle;
    if (at < particles.size()) {
        if (frame.count < particles[at].max) {
            names.push_back(&particles[at].element->display);
        }
        if (frame.count >= particles[at].min) {
            while (++at < particles.size() && names.size() < kListed) {
                names.push_back(&particles[at].element->display);
                if (particles[at].min > 0) {
                    break;
                }
            }
        }
    }
    if (names.empty()) {
        return {};
    }
    std::string text = names.size() > 1 ? " Expected is one of ( " : " Expected is ( ";
    for (size_t i = 0; i < names.size(); ++i) {
        text += (i > 0 ? ", " : "") + *names[i];
    }
    return text + " ).";
}

void SimpleSchemaChecker::StartElement(const XmlEventReader::Name& name,
                                       std::span<const XmlEventReader::Namespace>,
                                       std::span<const XmlEventReader::Attribute> attributes) {
    if (failed_) {
        return;
    }
    const SimpleSchema::Element* element = nullptr;
    if (depth_ == 0) {
        element = schema_.Global(name.uri, name.local);
        if (!element) {
            return Fail("Element '" + Formatted(name) +
                        "': No matching global declaration available for the validation root.");
        }
    } else {
        Frame& parent = frames_[depth_ - 1];
        if (!parent.element->complex) {
            return Fail("Element '" + parent.element->display +
                        "': Element content is not allowed, because the type definition is "
                        "simple.");
        }
        const std::vector<SimpleSchema::Particle>& particles = parent.element->complex->particles;
        size_t at = parent.particle;
        uint32_t count = parent.count;
        for (; at < particles.size(); ++at, count = 0) {
            const SimpleSchema::Particle& particle = particles[at];
            if (count < particle.max && particle.element->name == name.local &&
                particle.element->uri == name.uri) {
                element = particle.element;
                break;
            }
            if (count < particle.min) {
                break;
            }
        }
        if (!element) {
            return Fail("Element '" + Formatted(name) + "': This element is not expected." +
                        Expected(parent));
        }
        parent.particle = at;
        parent.count = count + 1;
    }
    if (!attributes.empty()) {
        const std::string attribute = Formatted(attributes.front().name);
        return Fail("Element '" + Formatted(name) + "', attribute '" + attribute +
                    "': The attribute '" + attribute + "' is not allowed.");
    }
    if (depth_ == frames_.size()) {
        frames_.emplace_back();
    }
    Frame& frame = frames_[depth_++];
    frame.element = element;
    frame.particle = 0;
    frame.count = 0;
    frame.text.clear();
}

void SimpleSchemaChecker::EndElement(const XmlEventReader::Name&) {
    if (failed_ || depth_ == 0) {
        return;
    }
    const Frame& frame = frames_[depth_ - 1];
    const SimpleSchema::Element& element = *frame.element;
    if (!element.complex) {
        std::string message;
        if (!element.value->Check(frame.text, element.display, message)) {
            return Fail(message);
        }
    } else {
        const std::vector<SimpleSchema::Particle>& particles = element.complex->particles;
        bool complete =
            frame.particle >= particles.size() || frame.count >= particles[frame.particle].min;
        for (size_t at = frame.particle + 1; complete && at < particles.size(); ++at) {
            complete = particles[at].min == 0;
        }
        if (!complete) {
            return Fail("Element '" + element.display + "': Missing child element(s)." +
                        Expected(frame));
        }
    }
    --depth_;
}

void SimpleSchemaChecker::Characters(std::string_view text) {
    if (failed_ || depth_ == 0) {
        return;
    }
    Frame& frame = frames_[depth_ - 1];
    if (!frame.element->complex) {
        frame.text.append(text);
        return;
    }
    textInElements_ = textInElements_ || !AllXmlSpace(text);
}

void SimpleSchemaChecker::TextEnd() {
    if (textInElements_ && !failed_) {
        Fail("Element '" + frames_[depth_ - 1].element->display +
             "': Character content other than whitespace is not allowed because the content "
             "type is 'element-only'.");
    }
    textInElements_ = false;
}

}  // namespace Norvik
