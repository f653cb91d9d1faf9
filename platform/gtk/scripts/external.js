// window.external for pages shown by a browser host. Each call becomes a DOM event carrying
// the call as JSON; the bridge in the isolated world forwards it to the program. The property
// cannot be replaced by the page.
(() => {
    'use strict';
    if (location.protocol !== 'vandrel:' || /^\?w=/.test(location.search)) {
        return;
    }
    const call = (method, args) => {
        document.dispatchEvent(new CustomEvent('vandrel-external', {
            detail: JSON.stringify({method, args: Array.from(args, (a) => String(a))}),
        }));
    };
    const external = new Proxy({}, {
        get: (target, name) => (typeof name === 'string' ? (...args) => call(name, args) : undefined),
    });
    try {
        Object.defineProperty(window, 'external', {
            value: external, configurable: false, enumerable: true, writable: false,
        });
    } catch (e) {
        // Already defined by an earlier injection into this frame.
    }
})();
