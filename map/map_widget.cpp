#include "map/map_widget.h"

#include "core/program_path.h"
#include "ui/browser_host.h"
#include "ui/document.h"
#include "ui/element.h"
#include "ui/html_window.h"

namespace vandrel::map {

ui::BrowserHost* mapWidget(const ui::HtmlWindow& page) {
    ui::Element* e = page.document().selectFirst("widget[id='2000']");
    return e != nullptr ? dynamic_cast<ui::BrowserHost*>(page.control(*e)) : nullptr;
}

void navigateMap(const ui::HtmlWindow& page, const std::string& name) {
    if (ui::BrowserHost* host = mapWidget(page)) {
        host->navigate(programPath(name).string());
    }
}

}  // namespace vandrel::map
