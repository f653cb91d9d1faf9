#include "ui/controls.h"

#include <cctype>
#include <cstdlib>
#include <span>

#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/frame_source.h"
#include "ui/html_window.h"
#include "ui/list_view.h"
#include "ui/resources.h"
#include "ui/static_control.h"

namespace vandrel::ui {
namespace {

struct Keyword {
    std::string_view name;
    std::uint32_t bits;
};

constexpr Keyword kWindowStyles[] = {
    {"OVERLAPPED", 0x0},         {"POPUP", 0x80000000},    {"CHILD", 0x40000000},
    {"VISIBLE", 0x10000000},     {"DISABLED", 0x8000000},  {"CLIPSIBLINGS", 0x4000000},
    {"CLIPCHILDREN", 0x2000000}, {"MINIMIZE", 0x20000000}, {"MAXIMIZE", 0x1000000},
    {"CAPTION", 0xC00000},       {"BORDER", 0x800000},     {"DLGFRAME", 0x400000},
    {"VSCROLL", 0x200000},       {"HSCROLL", 0x100000},    {"SYSMENU", 0x80000},
    {"THICKFRAME", 0x40000},     {"GROUP", 0x20000},       {"TABSTOP", 0x10000},
    {"MINIMIZEBOX", 0x20000},    {"MAXIMIZEBOX", 0x10000},
};

constexpr Keyword kExtendedStyles[] = {
    {"DLGMODALFRAME", 0x1},  {"NOPARENTNOTIFY", 0x4},    {"TOPMOST", 0x8},
    {"ACCEPTFILES", 0x10},   {"TRANSPARENT", 0x20},      {"MDICHILD", 0x40},
    {"TOOLWINDOW", 0x80},    {"WINDOWEDGE", 0x100},      {"CLIENTEDGE", 0x200},
    {"CONTEXTHELP", 0x400},  {"RIGHT", 0x1000},          {"LEFT", 0x0},
    {"RTLREADING", 0x2000},  {"LTRREADING", 0x0},        {"LEFTSCROLLBAR", 0x4000},
    {"RIGHTSCROLLBAR", 0x0}, {"CONTROLPARENT", 0x10000}, {"STATICEDGE", 0x20000},
    {"APPWINDOW", 0x40000},  {"LAYERED", 0x80000},       {"NOINHERITLAYOUT", 0x100000},
    {"LAYOUTRTL", 0x400000}, {"NOACTIVATE", 0x8000000},  {"COMPOSITED", 0x2000000},
};

constexpr Keyword kStaticStyles[] = {
    {"BITMAP", 0xE},    {"CENTER", 0x1},   {"CENTERIMAGE", 0x200},
    {"ICON", 0x3},      {"LEFT", 0x0},     {"LEFTNOWORDWRAP", 0xC},
    {"NOPREFIX", 0x80}, {"NOTIFY", 0x100}, {"RIGHT", 0x2},
};

constexpr Keyword kListViewStyles[] = {
    {"ICON", 0x0},
    {"REPORT", 0x1},
    {"SMALLICON", 0x2},
    {"LIST", 0x3},
    {"SINGLESEL", 0x4},
    {"SHOWSELALWAYS", 0x8},
    {"SORTASCENDING", 0x10},
    {"SORTDESCENDING", 0x20},
    {"SHAREIMAGELISTS", 0x40},
    {"NOLABELWRAP", 0x80},
    {"AUTOARRANGE", 0x100},
    {"EDITLABELS", 0x200},
    {"OWNERDATA", 0x1000},
    {"NOSCROLL", 0x2000},
    {"ALIGNTOP", 0x0},
    {"ALIGNLEFT", 0x800},
    {"OWNERDRAWFIXED", 0x400},
    {"NOCOLUMNHEADER", 0x4000},
    {"NOSORTHEADER", 0x8000},
};

constexpr Keyword kEditStyles[] = {{"RIGHT", 0x2}, {"WANTRETURN", 0x1000}};

constexpr Keyword kComboBoxStyles[] = {
    {"DROPDOWN", 0x2},
    {"DROPDOWNLIST", 0x3},
    {"SIMPLE", 0x1},
    {"OWNERDRAWFIXED", 0x10},
    {"OWNERDRAWVARIABLE", 0x20},
    {"AUTOHSCROLL", 0x40},
    {"OEMCONVERT", 0x80},
    {"SORT", 0x100},
    {"HASSTRINGS", 0x200},
    {"NOINTEGRALHEIGHT", 0x400},
    {"DISABLENOSCROLL", 0x800},
};

constexpr Keyword kListBoxStyles[] = {
    {"NOTIFY", 0x1},
    {"SORT", 0x2},
    {"NOREDRAW", 0x4},
    {"MULTIPLESEL", 0x8},
    {"OWNERDRAWFIXED", 0x10},
    {"OWNERDRAWVARIABLE", 0x20},
    {"HASSTRINGS", 0x40},
    {"USETABSTOPS", 0x80},
    {"NOINTEGRALHEIGHT", 0x100},
    {"MULTICOLUMN", 0x200},
    {"WANTKEYBOARDINPUT", 0x400},
    {"NODATA", 0x2000},
};

constexpr Keyword kCalendarStyles[] = {
    {"DAYSTATE", 0x1},      {"MULTISELECT", 0x2}, {"WEEKNUMBERS", 0x4},
    {"NOTODAYCIRCLE", 0x8}, {"NOTODAY", 0x10},
};

constexpr Keyword kDateTimeStyles[] = {
    {"UPDOWN", 0x1},
    {"SHOWNONE", 0x2},
    {"SHORTDATEFORMAT", 0x0},
    {"LONGDATEFORMAT", 0x4},
    {"SHORTDATECENTURYFORMAT", 0xC},
    {"TIMEFORMAT", 0x9},
    {"APPCANPARSE", 0x10},
    {"RIGHTALIGN", 0x20},
};

struct WidgetType {
    std::string_view type;
    ControlSpec::Kind kind;
    std::string_view className;
    std::span<const Keyword> keywords;
};

// In the order the types are compared.
const WidgetType kWidgetTypes[] = {
    {"sys-datetime", ControlSpec::Kind::DateTime, "SysDateTimePick32", kDateTimeStyles},
    {"sys-calendar", ControlSpec::Kind::Calendar, "SysMonthCal32", kCalendarStyles},
    {"sys-listbox", ControlSpec::Kind::ListBox, "LISTBOX", kListBoxStyles},
    {"sys-static", ControlSpec::Kind::Static, "STATIC", kStaticStyles},
    {"sys-listview", ControlSpec::Kind::ListView, "SysListView32", kListViewStyles},
    {"sys-combobox", ControlSpec::Kind::ComboBox, "COMBOBOX", kComboBoxStyles},
    {"sys-edit", ControlSpec::Kind::Edit, "EDIT", kEditStyles},
    {"sys-tabctrl", ControlSpec::Kind::TabControl, "SysTabControl32", {}},
    {"sys-ie", ControlSpec::Kind::Browser, "AtlAxWin80", {}},
};

bool present(const Attributes& attributes, std::string_view keyword) {
    for (const auto& [name, value] : attributes) {
        if (equalsIgnoreCase(name, keyword)) {
            return true;
        }
    }
    return false;
}

std::uint32_t bitsOf(const Attributes& attributes, std::span<const Keyword> keywords) {
    std::uint32_t bits = 0;
    for (const Keyword& k : keywords) {
        if (present(attributes, k.name)) {
            bits |= k.bits;
        }
    }
    return bits;
}

std::string attributeOf(const Attributes& attributes, std::string_view name) {
    for (const auto& [n, v] : attributes) {
        if (equalsIgnoreCase(n, name)) {
            return v;
        }
    }
    return {};
}

// The leading decimal digits, as the id was always read; anything else gives 0.
int decimalId(const std::string& text) {
    return std::atoi(text.c_str());
}

std::unique_ptr<Window> createFrame(HtmlWindow& parent, Element& element,
                                    const ControlSpec& widgetSpec) {
    auto frame = std::make_unique<HtmlWindow>(parent.loop(), &parent, widgetSpec.id);
    startFrame(*frame, element);
    if ((widgetSpec.style & WS_DISABLED) != 0) {
        frame->enable(false);
    }
    return frame;
}

}  // namespace

ControlSpec controlSpec(std::string_view tag, const Attributes& attributes) {
    ControlSpec widgetSpec;
    std::string type = attributeOf(attributes, "type");
    const WidgetType* widget = nullptr;
    for (const WidgetType& w : kWidgetTypes) {
        if (type == w.type) {
            widget = &w;
            break;
        }
    }
    if (widget != nullptr) {
        widgetSpec.kind = widget->kind;
        widgetSpec.className = widget->className;
        widgetSpec.style = kBaseControlStyle | bitsOf(attributes, kWindowStyles) |
                           bitsOf(attributes, widget->keywords);
    } else if (tag == "iframe") {
        widgetSpec.kind = ControlSpec::Kind::Frame;
        widgetSpec.className = "HtmlWindow";
        widgetSpec.style = kBaseControlStyle | bitsOf(attributes, kWindowStyles);
    } else {
        return widgetSpec;
    }
    widgetSpec.exStyle = bitsOf(attributes, kExtendedStyles);
    widgetSpec.id = decimalId(attributeOf(attributes, "id"));
    return widgetSpec;
}

void startFrame(HtmlWindow& frame, const Element& element) {
    frame.loadHtml(kFramePlaceholder);
    auto* parent = dynamic_cast<HtmlWindow*>(frame.parent());
    std::string base = parent != nullptr ? parent->address() : std::string();
    std::string address = resolveFrameAddress(base, element.attribute("src"));
    if (address.empty()) {
        return;
    }
    // In a resource, or a document without an address, a bare name is a resource first.
    bool besideResource = base.empty() || equalsIgnoreCase(base.substr(0, 4), "res:");
    bool isResource = equalsIgnoreCase(address.substr(0, 4), "res:");
    if (isResource || (besideResource && address.find('/') == std::string::npos)) {
        LoadData data = resolveLoadData(address);
        if (data.outcome == LoadData::Outcome::Delivered) {
            frame.loadHtml(data.bytes, isResource ? address : "res:" + address);
            return;
        }
        if (isResource) {
            return;
        }
    }
    std::optional<std::string> markup = readProgramFile(frame.fileFolder(), address);
    if (markup && !markup->empty()) {
        frame.loadHtml(*markup, address);
    }
}

Control::Control(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec)
    : Window(owner.loop(), &owner, widgetSpec.id),
      owner_(owner),
      uid_(element.uid()),
      spec_(std::move(widgetSpec)) {}

Element* Control::element() const {
    return owner_.document().findByUid(uid_);
}

std::unique_ptr<Window> createStandardControl(HtmlWindow& parent, Element& element) {
    ControlSpec widgetSpec = controlSpec(element.tag(), element.attributes());
    std::unique_ptr<Window> window;
    switch (widgetSpec.kind) {
        case ControlSpec::Kind::None:
            return nullptr;
        case ControlSpec::Kind::Frame:
            return createFrame(parent, element, widgetSpec);
        case ControlSpec::Kind::Browser:
            window = std::make_unique<BrowserHost>(parent, element, widgetSpec);
            break;
        case ControlSpec::Kind::Static:
            window = std::make_unique<StaticControl>(parent, element, widgetSpec);
            break;
        case ControlSpec::Kind::ListView:
            window = std::make_unique<ListView>(parent, element, widgetSpec);
            break;
        default:
            // The remaining types are used by no page; a plain control stands in for them.
            window = std::make_unique<Control>(parent, element, widgetSpec);
            break;
    }
    if ((widgetSpec.style & WS_DISABLED) != 0) {
        window->enable(false);
    }
    return window;
}

}  // namespace vandrel::ui
