#include "ui/form_values.h"

#include "ui/behavior.h"
#include "ui/element.h"
#include "ui/html_window.h"

namespace vandrel::ui {

const Value* FormValues::find(std::string_view name) const {
    for (const auto& [n, v] : entries_) {
        if (n == name) {
            return &v;
        }
    }
    return nullptr;
}

void FormValues::set(std::string name, Value value) {
    for (auto& [n, v] : entries_) {
        if (n == name) {
            v = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(name), std::move(value));
}

Value getValue(Element& element) {
    switch (element.controlType()) {
        case ControlType::Unknown:
            if (element.attribute("type") == "hidden") {
                return Value(element.attribute("value"));
            }
            return Value();
        case ControlType::Button:
            return Value(element.attribute("value"));
        case ControlType::Checkbox: {
            auto members = controlGroup(element);
            std::int64_t bits = 0;
            for (std::size_t i = 0; i < members.size() && i < 63; ++i) {
                if (members[i]->hasState(STATE_CHECKED)) {
                    bits |= std::int64_t{1} << i;
                }
            }
            if (members.size() == 1) {
                return Value((bits & 1) != 0);
            }
            return Value(bits);
        }
        case ControlType::Radio: {
            auto members = controlGroup(element);
            for (std::size_t i = 0; i < members.size(); ++i) {
                if (members[i]->hasState(STATE_CHECKED)) {
                    return Value(static_cast<std::int64_t>(i));
                }
            }
            return Value();
        }
        case ControlType::HtmlArea:
            return Value(element.html());
        default:
            return element.controlValue();
    }
}

void setValue(Element& element, const Value& value) {
    switch (element.controlType()) {
        case ControlType::None:
        case ControlType::Unknown:
        case ControlType::Button:
            return;
        case ControlType::Checkbox: {
            auto members = controlGroup(element);
            std::int64_t bits = members.size() == 1 ? (value.toBool() ? 1 : 0) : value.toInt();
            for (std::size_t i = 0; i < members.size(); ++i) {
                bool on = i < 63 && ((bits >> i) & 1) != 0;
                members[i]->setState(on ? STATE_CHECKED : 0, on ? 0 : STATE_CHECKED);
            }
            return;
        }
        case ControlType::Radio: {
            auto members = controlGroup(element);
            std::int64_t k = value.toInt();
            if (k >= 0 && k < static_cast<std::int64_t>(members.size())) {
                checkRadio(*members[static_cast<std::size_t>(k)]);
            }
            return;
        }
        case ControlType::HtmlArea:
            element.setHtml(value.toString());
            return;
        default:
            element.setControlValue(value);
            return;
    }
}

bool collectFormValues(Element& container, FormValues& table) {
    for (Element* e : container.select("[name]")) {
        std::string name = e->attribute("name");
        if (table.find(name) == nullptr && e->controlType() != ControlType::None) {
            table.set(name, getValue(*e));
        }
    }
    return !table.empty();
}

bool applyFormValues(Element& root, const FormValues& table) {
    int count = 0;
    for (const auto& [name, value] : table.entries()) {
        // Found by comparing the attribute, not by a selector built from the name, so a quote
        // in a name cannot change what is searched for.
        Element* found = nullptr;
        root.visit([&](Element& e) {
            if (e.hasAttribute("name") && e.attribute("name") == name) {
                found = &e;
                return false;
            }
            return true;
        });
        if (found != nullptr && !found->behaviors().empty()) {
            setValue(*found, value);
            ++count;
        }
    }
    return count > 0;
}

Window* findWindowByName(HtmlWindow& window, std::string_view name, int n) {
    if (n < 0) {
        return nullptr;
    }
    for (Element* e : window.document().select("input,widget,textarea,select,iframe")) {
        if (e->attribute("name") == name && n-- == 0) {
            return e->window();
        }
    }
    return nullptr;
}

}  // namespace vandrel::ui
