#pragma once
// Native controls in pages. A `widget` element whose `type` names a control, and every
// `iframe`, gets a window of its own; its styles come from the element's attributes by the
// widget table below (controlSpec is the pure function; createStandardControl builds the
// window).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/window.h"

namespace vandrel::ui {

class Element;
class HtmlWindow;

struct ControlSpec {
    enum class Kind {
        None,
        DateTime,
        Calendar,
        ListBox,
        Static,
        ListView,
        ComboBox,
        Edit,
        TabControl,
        Browser,
        Frame
    };
    Kind kind = Kind::None;
    std::string className;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int id = 0;
};

// Every control starts as a visible, clipped, tab-stop child.
inline constexpr std::uint32_t kBaseControlStyle = 0x56010000;
inline constexpr std::uint32_t WS_DISABLED = 0x8000000;

using Attributes = std::vector<std::pair<std::string, std::string>>;

// The control for an element: the `type` attribute compared exactly (case-sensitive) with the
// widget types, else an iframe; the style is the base OR every keyword attribute present
// (names without regard to case, values ignored); the id is the `id` attribute as a decimal.
ControlSpec controlSpec(std::string_view tag, const Attributes& attributes);

// A native control's window. It knows its element by uid and the HTML window it lives in.
class Control : public Window {
  public:
    Control(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec);

    const ControlSpec& widgetSpec() const { return spec_; }
    HtmlWindow& owner() const { return owner_; }
    std::uint64_t elementUid() const { return uid_; }
    // The element, or null when it left the page.
    Element* element() const;
    // The renderer laid the element out anew.
    virtual void resized() {}

  private:
    HtmlWindow& owner_;
    std::uint64_t uid_;
    ControlSpec spec_;
};

// The standard factory: null for an element that gets no window.
std::unique_ptr<Window> createStandardControl(HtmlWindow& parent, Element& element);

// Starts an iframe's window: the placeholder document, then the element's `src`, resolved
// against the address of the document holding the iframe (see frame_source.h), when it names a
// compiled resource or a file inside the program's folders. A page object that subclasses its
// iframe windows creates them itself and calls this.
void startFrame(HtmlWindow& frame, const Element& element);

// The document an iframe window starts with, before its `src` or its page object's resource.
inline constexpr std::string_view kFramePlaceholder =
    "<html><body leftmargin=1 topmargin=1 rightmargin=1 bottommargin=1>&nbsp;</body></html>";

}  // namespace vandrel::ui
