#pragma once
// Reading and filling forms by the `name` of their controls, one value per name, the way a
// form would be submitted.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/value.h"

namespace vandrel::ui {

class Element;
class HtmlWindow;
class Window;

// An ordered table from name to value with one entry per name.
class FormValues {
  public:
    const Value* find(std::string_view name) const;
    // Adds the entry, or replaces the value of an existing one.
    void set(std::string name, Value value);
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const std::vector<std::pair<std::string, Value>>& entries() const { return entries_; }

  private:
    std::vector<std::pair<std::string, Value>> entries_;
};

// The value of one control: a check-box group gives a boolean (one box) or the integer of its
// bits, a radio group the index of its checked button (undefined when none), a hidden input
// its `value`, a button its `value`, an HTML area its markup, the other controls their value.
Value getValue(Element& element);
// Sets one control the same way; hidden inputs and buttons are never written, a radio index
// outside the group changes nothing.
void setValue(Element& element, const Value& value);

// Adds the value of every named control inside the container whose name is not in the table
// yet (so the first control of a name wins); true when the table is not empty afterwards.
bool collectFormValues(Element& container, FormValues& table);
// Sets the first element of each name that is a control; true when at least one was set.
bool applyFormValues(Element& root, const FormValues& table);

// The window of the n-th (from 0) input, widget, textarea, select or iframe of that name.
Window* findWindowByName(HtmlWindow& window, std::string_view name, int n);

}  // namespace vandrel::ui
