#pragma once
// The renderer of this test program and its event loop, made by main in renderer_test.cpp.
// There is one per process: the renderer answers the program's URI scheme.

namespace vandrel::gtk {
class GlibEventLoop;
class WebRenderer;
}  // namespace vandrel::gtk

namespace vandrel::testing {

gtk::WebRenderer& sharedRenderer();
gtk::GlibEventLoop& sharedLoop();

}  // namespace vandrel::testing
