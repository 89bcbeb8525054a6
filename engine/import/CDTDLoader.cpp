#include "CDTDLoader.h"

#include <vector>

#include "FetchText.h"
#include "base/TextUtil.h"
#include "model/DVFile.h"

namespace {

bool IsDelimiter(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsDelimiter(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsDelimiter(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

// The tokens of one declaration (without its closing ">"), read in order;
// Rest() is what follows the tokens read so far.
class CDTDLoader::Tokens {
public:
    explicit Tokens(std::string_view text) : text_(text) {}

    std::string Next() {
        while (at_ < text_.size() && IsDelimiter(text_[at_])) {
            ++at_;
        }
        const size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '"') {
            const size_t close = text_.find('"', at_ + 1);
            at_ = close == std::string_view::npos ? text_.size() : close + 1;
            return std::string(text_.substr(
                start + 1, (close == std::string_view::npos ? text_.size() : close) - start - 1));
        }
        while (at_ < text_.size() && !IsDelimiter(text_[at_])) {
            ++at_;
        }
        return std::string(text_.substr(start, at_ - start));
    }
    std::string Rest() const { return std::string(Trim(text_.substr(at_))); }

private:
    std::string_view text_;
    size_t at_ = 0;
};

std::string CDTDLoader::NextDeclaration() {
    const size_t open = remaining_.find("<!", position_);
    if (open == std::string::npos) {
        return {};
    }
    const size_t close = remaining_.find('>', open);
    if (close == std::string::npos) {
        return {};
    }
    position_ = close + 1;
    return std::string(Trim(std::string_view(remaining_).substr(open, close + 1 - open)));
}

std::string CDTDLoader::Expand(std::string_view text) {
    std::string result;
    size_t from = 0;
    while (from < text.size()) {
        const size_t percent = text.find('%', from);
        if (percent == std::string_view::npos) {
            result.append(text.substr(from));
            break;
        }
        result.append(text.substr(from, percent - from));
        const size_t semicolon = text.find(';', percent + 1);
        if (semicolon == std::string_view::npos || semicolon == percent + 1) {
            break;  // no name: the rest goes
        }
        const auto entity =
            entities_.find(std::string(text.substr(percent + 1, semicolon - percent - 1)));
        if (entity != entities_.end()) {
            result += entity->second;
        }
        if (result.size() > kMaxExpansion) {
            if (error_.empty()) {
                error_ = "The DTD's entities expand to more than " + std::to_string(kMaxExpansion) +
                         " characters";
            }
            result.resize(kMaxExpansion);
            break;
        }
        from = semicolon + 1;
    }
    return result;
}

void CDTDLoader::Entity(Tokens& tokens) {
    std::string name = tokens.Next();
    if (name == "%") {
        name = tokens.Next();
    }
    if (name.empty()) {
        return;
    }
    std::string value = tokens.Rest();
    if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
        value.erase(0, 1);
        if (!value.empty() && (value.back() == '"' || value.back() == '\'')) {
            value.pop_back();
        }
    }
    value = Expand(value);
    const std::string upper = Norvik::ToUpper(value);
    if (upper == "#PCDATA" || upper == "#CDATA") {
        return;
    }
    entityText_ += value.size();
    if (entityText_ > kMaxEntityText) {
        error_ =
            "The DTD's entities hold more than " + std::to_string(kMaxEntityText) + " characters";
        return;
    }
    entities_[name] = std::move(value);
}

XMLNode* CDTDLoader::AddNode(XMLNode& parent, std::string_view name, int32_t kind) {
    if (++nodes_ > kMaxNodes) {
        error_ = "The DTD declares more than " + std::to_string(kMaxNodes) + " nodes";
        return nullptr;
    }
    return parent.AddChild(name, kind);
}

XMLNode* CDTDLoader::FindOrAdd(const std::string& name, DVFile& definition) {
    if (XMLNode::SanitizeName(name).empty()) {
        return nullptr;
    }
    if (XMLNode* node = definition.FindNodeByName(name)) {
        return node;
    }
    if (++nodes_ > kMaxNodes) {
        error_ = "The DTD declares more than " + std::to_string(kMaxNodes) + " nodes";
        return nullptr;
    }
    return definition.AddNodeForColumn(name, 0);
}

void CDTDLoader::Element(Tokens& tokens, DVFile& definition) {
    XMLNode* node = FindOrAdd(tokens.Next(), definition);
    if (!node || node->GetNodeType() == XMLNode::kAttribute) {
        return;
    }
    const std::string content = tokens.Rest();
    if (content == "EMPTY" || Contains(content, " EMPTY")) {
        node->SetIsEmpty(true);
        return;
    }
    const size_t open = content.find('(');
    if (open == std::string::npos) {
        return;  // ANY and the like
    }
    std::string model = Expand(std::string_view(content).substr(open + 1));
    if (model.size() >= 2) {
        model.pop_back();
    }
    std::string flat;
    for (const char c : model) {
        if (c == ')' || c == '|') {
            flat += ',';
        } else if (c != '(') {
            flat += c;
        }
    }
    size_t from = 0;
    while (from <= flat.size()) {
        size_t comma = flat.find(',', from);
        if (comma == std::string::npos) {
            comma = flat.size();
        }
        std::string item(Trim(std::string_view(flat).substr(from, comma - from)));
        from = comma + 1;
        if (item.empty() || Contains(item, "#") || Contains(item, "%")) {
            continue;
        }
        const bool optional = Contains(item, "*") || Contains(item, "?");
        const bool repeating = Contains(item, "*") || (!Contains(item, "?") && Contains(item, "+"));
        std::erase_if(item, [](char c) { return c == '+' || c == '?' || c == '*'; });
        if (item.empty()) {
            continue;
        }
        XMLNode* child = AddNode(*node, item, XMLNode::kElement);
        if (!child) {
            return;
        }
        child->SetSkipIfEmpty(optional);
        if (repeating) {
            child->SetGroup(node->GetSource());
        }
    }
}

void CDTDLoader::AttributeList(Tokens& tokens, DVFile& definition) {
    XMLNode* node = FindOrAdd(tokens.Next(), definition);
    if (!node || node->GetNodeType() == XMLNode::kAttribute) {
        return;
    }
    const std::string definitions = Expand(tokens.Rest());
    size_t from = 0;
    while (from < definitions.size()) {
        size_t end = definitions.find('\n', from);
        if (end == std::string::npos) {
            end = definitions.size();
        }
        const std::string_view line = Trim(std::string_view(definitions).substr(from, end - from));
        from = end + 1;
        const bool optional = Contains(line, "#IMPLIED");
        const std::string_view name = line.substr(0, line.find_first_of(" \t"));
        if (name.empty() || Contains(name, "#") || Contains(name, "%")) {
            continue;
        }
        XMLNode* attribute = AddNode(*node, name, XMLNode::kAttribute);
        if (!attribute) {
            return;
        }
        attribute->SetSkipIfEmpty(optional);
    }
}

bool CDTDLoader::Load(const std::string& path, DVFile& definition) {
    error_.clear();
    if (definition.Root().GetName().empty()) {
        error_ = "The document element has no name: name the root element before loading a DTD";
        return false;
    }
    std::string text;
    if (!FetchText(path, text)) {
        error_ = "Failed to load DTD from \"" + path + "\"\r\n" + text;
        return false;
    }
    return LoadText(std::move(text), definition);
}

bool CDTDLoader::LoadText(std::string text, DVFile& definition) {
    error_.clear();
    entities_.clear();
    entityText_ = 0;
    nodes_ = 0;
    XMLRootNode& root = definition.Root();
    root.DeleteChildren();
    remaining_ = std::move(text);
    position_ = 0;
    for (std::string declaration = NextDeclaration(); !declaration.empty();
         declaration = NextDeclaration()) {
        if (declaration.starts_with("<!--")) {
            continue;
        }
        declaration.pop_back();  // the closing ">"
        Tokens tokens(declaration);
        const std::string keyword = Norvik::ToUpper(tokens.Next());
        if (keyword == "<!ENTITY") {
            Entity(tokens);
        } else if (keyword == "<!ELEMENT") {
            Element(tokens, definition);
        } else if (keyword == "<!ATTLIST") {
            AttributeList(tokens, definition);
        }
        if (!error_.empty()) {
            return false;
        }
    }
    remaining_.clear();
    return true;
}
