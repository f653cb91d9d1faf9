#pragma once
// The program's side of the map pages' callbacks: a handler per page whose operations receive
// the call's arguments, read them as the map pages pass them, and post the page's messages.
// Work that follows a callback runs when the page handles the message, after the page's own
// script call has returned.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vandrel::ui {
class Window;
}

namespace vandrel::map {

using ScriptArgs = std::vector<std::string>;

// Readings of the callbacks' arguments, which arrive as text. A position is a number narrowed
// to a 32-bit float; a marker index a plain decimal conversion (non-numeric text gives 0); x, y
// and the removal index the low 16 bits of the integer, sign-extended.
float positionArg(const ScriptArgs& args, std::size_t index);
int markerIndexArg(const ScriptArgs& args, std::size_t index);
int shortArg(const ScriptArgs& args, std::size_t index);

class MapEventHandler {
  public:
    virtual ~MapEventHandler() = default;

    // The page window that receives the posted messages; the page sets it when it is built.
    void setWindow(ui::Window* window);

    // In slot order. The first is reached by no callback; every one does nothing by default.
    virtual void unused(const ScriptArgs&) {}
    virtual void onmaploadcomplete(const ScriptArgs&) {}
    virtual void onwpmarkerclick(const ScriptArgs&) {}
    virtual void onwpmarkerrclick(const ScriptArgs&) {}
    virtual void onwpmarkerupdate(const ScriptArgs&) {}
    virtual void onfind(const ScriptArgs&) {}
    virtual void onlineclick(const ScriptArgs&) {}
    virtual void onaddphoto(const ScriptArgs&) {}
    virtual void onphotolick(const ScriptArgs&) {}
    virtual void onremovephoto(const ScriptArgs&) {}
    virtual void onrclickevent(const ScriptArgs&) {}
    virtual void onmoveendevent(const ScriptArgs&) {}
    // The user chose another map source on the page: its name.
    virtual void onmapsource(const ScriptArgs& args);

    // What a chosen source is handed to (the page keeps the choice).
    std::function<void(const std::string& name)> sourceChosen;

  protected:
    // Posts to the page window, when the page still exists.
    void post(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) const;

  private:
    ui::Window* window_ = nullptr;
    std::weak_ptr<bool> alive_;
};

// Two 32-bit floats that a posted message points at; the next callback of the same kind
// overwrites them.
struct MapPosition {
    float lat = 0;
    float lng = 0;
};

// The POI page's callbacks. Marker clicks, drags and right-clicks act on the POI page at once,
// through the hooks the page installs.
class PoiMapEvents final : public MapEventHandler {
  public:
    std::function<void(int index)> markerClicked;
    std::function<void(int index, int x, int y)> markerRightClicked;
    std::function<void(int index, float lat, float lng)> markerMoved;
    std::function<void(float lat, float lng, int x, int y)> mapRightClicked;

    void onmaploadcomplete(const ScriptArgs& args) override;
    void onwpmarkerclick(const ScriptArgs& args) override;
    void onwpmarkerrclick(const ScriptArgs& args) override;
    void onwpmarkerupdate(const ScriptArgs& args) override;
    void onfind(const ScriptArgs& args) override;
    void onrclickevent(const ScriptArgs& args) override;

    const MapPosition& found() const { return found_; }

  private:
    MapPosition found_;
};

// The track page's callbacks; each posts its message.
class TrackMapEvents final : public MapEventHandler {
  public:
    void onmaploadcomplete(const ScriptArgs& args) override;
    void onlineclick(const ScriptArgs& args) override;
    void onaddphoto(const ScriptArgs& args) override;
    void onphotolick(const ScriptArgs& args) override;
    void onremovephoto(const ScriptArgs& args) override;

    const MapPosition& lineClick() const { return lineClick_; }

  private:
    MapPosition lineClick_;
};

}  // namespace vandrel::map
