#include "SchemaTree.h"

namespace {

ValueType Looser(const ValueType& a, const ValueType& b) {
    if (a == b) {
        return a;
    }
    ValueType type = ValueType::String();
    type.mayBeEmpty = a.mayBeEmpty || b.mayBeEmpty;
    return type;
}

// Element particles of a model, nested sequences flattened, one per name.
void CollectElements(std::vector<SchemaParticle>&& particles, std::vector<SchemaParticle>& out) {
    for (SchemaParticle& particle : particles) {
        if (!particle.element) {
            CollectElements(std::move(particle.sequence), out);
            continue;
        }
        SchemaParticle* same = nullptr;
        for (SchemaParticle& seen : out) {
            if (seen.element->name == particle.element->name) {
                same = &seen;
            }
        }
        if (!same) {
            particle.minOccurs = 0;
            particle.maxOccurs = 1;
            out.push_back(std::move(particle));
        } else if (!same->global) {
            same->element->MergeWith(std::move(*particle.element));
        }
    }
}

void MergeAttributes(std::vector<SchemaAttribute>& own, std::vector<SchemaAttribute>&& other) {
    for (SchemaAttribute& attribute : own) {
        bool found = false;
        for (const SchemaAttribute& theirs : other) {
            if (theirs.name == attribute.name) {
                found = true;
                attribute.type = Looser(attribute.type, theirs.type);
                attribute.required = attribute.required && theirs.required;
            }
        }
        attribute.required = attribute.required && found;
    }
    for (SchemaAttribute& theirs : other) {
        bool found = false;
        for (const SchemaAttribute& attribute : own) {
            found = found || attribute.name == theirs.name;
        }
        if (!found) {
            theirs.required = false;
            own.push_back(std::move(theirs));
        }
    }
}

bool HasText(const SchemaElement& element) {
    return element.mixed || element.content == SchemaElement::Content::kSimple;
}

}  // namespace

void SchemaElement::MergeWith(SchemaElement other) {
    using C = Content;
    MergeAttributes(attributes, std::move(other.attributes));
    xmlAttributes = xmlAttributes || other.xmlAttributes;
    if (content == C::kOpen || other.content == C::kOpen) {
        content = C::kOpen;
        mixed = true;
        particles.clear();
        return;
    }
    const bool simpleOrEmpty = (content == C::kEmpty || content == C::kSimple) &&
                               (other.content == C::kEmpty || other.content == C::kSimple);
    if (simpleOrEmpty) {
        if (content == C::kSimple && other.content == C::kSimple) {
            text = Looser(text, other.text);
        } else if (content != other.content) {
            text = ValueType::String();  // one of them writes no text at all
            content = C::kSimple;
        }
        return;
    }
    const bool anyText = HasText(*this) || HasText(other);
    std::vector<SchemaParticle> children;
    CollectElements(std::move(particles), children);
    CollectElements(std::move(other.particles), children);
    particles = std::move(children);
    content = C::kAnyOrder;
    mixed = anyText;
    text = ValueType::String();
}

void SchemaSet::AddGlobal(std::unique_ptr<SchemaElement> element) {
    std::vector<std::unique_ptr<SchemaElement>>& list = globals[element->name.ns];
    for (const std::unique_ptr<SchemaElement>& seen : list) {
        if (seen->name == element->name) {
            seen->MergeWith(std::move(*element));
            return;
        }
    }
    list.push_back(std::move(element));
}

void SchemaSet::AddGlobalAttribute(SchemaAttribute attribute) {
    std::vector<SchemaAttribute>& list = globalAttributes[attribute.name.ns];
    for (SchemaAttribute& seen : list) {
        if (seen.name == attribute.name) {
            seen.type = Looser(seen.type, attribute.type);
            return;
        }
    }
    attribute.required = false;  // the use is said where it is referred to
    list.push_back(std::move(attribute));
}
