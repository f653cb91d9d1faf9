// The bridge between the program's page model and the rendered page. It runs in the isolated
// script world "vandrel" of every frame served by the program: page script cannot see it or
// reach its message handler.
//
// In a window page (address vandrel://app/?w=KEY) it reports input and layout and applies the
// model's changes, addressed by the data-vuid of each element. In a page shown by a browser
// host it forwards the page's window.external calls (dispatched as DOM events by the page-world
// shim) and the end of the load, naming the host by the data-vhost of its frame element.
(() => {
    'use strict';
    const handler = window.webkit && window.webkit.messageHandlers &&
        window.webkit.messageHandlers.vandrel;
    if (!handler || location.protocol !== 'vandrel:') {
        return;
    }
    const post = (message) => handler.postMessage(message);
    const match = /^\?w=(\d+)/.exec(location.search);
    const isWindow = location.pathname === '/' && match !== null;

    const hostUid = () => {
        for (let w = window; w !== w.parent; w = w.parent) {
            const frame = w.frameElement;
            if (!frame) {
                return 0;
            }
            const host = frame.getAttribute('data-vhost');
            if (host) {
                return Number(host);
            }
        }
        return 0;
    };

    // Which way the last Tab went, kept on the window's top frame for its wrap stops (below),
    // by every frame the key can be pressed in.
    document.addEventListener('keydown', (e) => {
        if (e.keyCode === 9) {
            try {
                window.top.vandrelTabBack = e.shiftKey;
            } catch (err) {
                // A frame of another origin: the wrap goes forward.
            }
        }
    }, true);

    if (!isWindow) {
        const host = hostUid();
        if (!host) {
            return;
        }
        document.addEventListener('vandrel-external', (event) => {
            if (typeof event.detail !== 'string') {
                return;
            }
            let call;
            try {
                call = JSON.parse(event.detail);
            } catch (e) {
                return;
            }
            if (typeof call.method !== 'string' || !Array.isArray(call.args)) {
                return;
            }
            post({t: 'external', host, method: call.method, args: call.args.map(String)});
        });
        window.addEventListener('load', () => post({t: 'loaded', host, href: location.href}));
        return;
    }

    const key = Number(match[1]);

    // Tab past the window's last control hands the keyboard to the toolkit, which has no other
    // widget to give it to: the focus would be gone and stay gone. Two stops nobody sees, before
    // and after the page, send it round through every frame of the window to the first control
    // (Shift+Tab: the last one).
    const tabStops = (doc, out) => {
        const candidates = doc.querySelectorAll(
            'a[href],button,input,select,textarea,iframe,[tabindex]');
        for (const el of candidates) {
            if (el.hasAttribute('data-vwrap') || el.getClientRects().length === 0) {
                continue;
            }
            if (el.tagName === 'IFRAME') {
                let inner = null;
                try {
                    inner = el.contentDocument;
                } catch (err) {
                    inner = null;
                }
                if (inner) {
                    tabStops(inner, out);
                }
            } else if (el.tabIndex >= 0 && !el.disabled && el.type !== 'hidden' &&
                       el.ownerDocument.defaultView.getComputedStyle(el).visibility !== 'hidden') {
                out.push(el);
            }
        }
        return out;
    };
    const wrapStop = (atEnd) => {
        const stop = document.createElement('div');
        stop.tabIndex = 0;
        stop.setAttribute('data-vwrap', '');
        stop.style.cssText = 'position:fixed;left:0;top:0;width:1px;height:1px;opacity:0';
        stop.addEventListener('focus', () => {
            const stops = tabStops(document, []);
            const back = !atEnd && window.vandrelTabBack === true;
            const to = back ? stops[stops.length - 1] : stops[0];
            if (to) {
                // Reached by the keyboard, so ringed, though the move is the script's.
                to.focus({focusVisible: true});
            }
        });
        return stop;
    };
    const addWrapStops = () => {
        const root = document.documentElement;
        root.insertBefore(wrapStop(false), root.firstChild);
        root.appendChild(wrapStop(true));
    };
    if (window === window.top) {
        if (document.readyState === 'loading') {
            document.addEventListener('DOMContentLoaded', addWrapStops);
        } else {
            addWrapStops();
        }
    }
    const byUid = (uid) => document.querySelector('[data-vuid="' + Number(uid) + '"]');
    const uidOf = (node) => {
        for (let e = node; e && e.nodeType === 1; e = e.parentElement) {
            const uid = e.getAttribute('data-vuid');
            if (uid) {
                return Number(uid);
            }
        }
        return 0;
    };
    // An element's border box; for a control, its client area inside the border and without
    // the scroll bar, which is where it draws and what its points are relative to.
    const rectOf = (el) => {
        const r = el.getBoundingClientRect();
        if (el.tagName === 'WIDGET' && el.clientWidth > 0) {
            const left = Math.round(r.left) + el.clientLeft;
            const top = Math.round(r.top) + el.clientTop;
            return [left, top, left + el.clientWidth, top + el.clientHeight];
        }
        return [Math.round(r.left), Math.round(r.top), Math.round(r.right), Math.round(r.bottom)];
    };
    const chainRects = (node, into) => {
        for (let e = node; e && e.nodeType === 1; e = e.parentElement) {
            const uid = e.getAttribute('data-vuid');
            if (uid && !(uid in into)) {
                into[uid] = rectOf(e);
            }
        }
    };
    const modifiers = (e) => (e.ctrlKey ? 1 : 0) | (e.shiftKey ? 2 : 0) | (e.altKey ? 4 : 0);
    const buttonBits = (b) => (b === 2 ? 2 : b === 1 ? 4 : 1);

    // Mouse: element rectangles travel with each event, so the behaviours compare the point
    // with the layout of that moment. The second press of a double click is the double click.
    // Moves and wheel turns are coalesced to one report per animation frame; a press, a release
    // or the pointer leaving sends the pending one first, so the model sees them in order.
    let pressed = null;
    const mouse = (kind, e, extra) => {
        const rects = {};
        chainRects(e.target, rects);
        if (pressed) {
            chainRects(pressed, rects);
        }
        const held = kind === 'move' || kind === 'wheel';
        post({t: 'mouse', w: key, kind, uid: uidOf(e.target), x: Math.round(e.clientX),
              y: Math.round(e.clientY), buttons: held ? e.buttons & 7 : buttonBits(e.button),
              mods: modifiers(e), rects, ...extra});
    };
    let moved = null;
    let wheel = null;
    let wheelDelta = 0;
    let frame = 0;
    const sendPending = () => {
        if (frame) {
            cancelAnimationFrame(frame);
            frame = 0;
        }
        if (moved) {
            const e = moved;
            moved = null;
            mouse('move', e);
        }
        if (wheel) {
            const e = wheel;
            const delta = Math.round(wheelDelta);
            wheel = null;
            wheelDelta = 0;
            if (delta) {
                mouse('wheel', e, {delta});
            }
        }
    };
    const later = () => {
        if (!frame) {
            frame = requestAnimationFrame(() => {
                frame = 0;
                sendPending();
            });
        }
    };
    document.addEventListener('mousemove', (e) => {
        moved = e;
        later();
    }, true);
    // One notch is 120, positive away from the user, as the program's owners count it: the
    // engine's own wheelDeltaY counts that way; else three lines, or about 120 pixels.
    const notch = (e) => (typeof e.wheelDeltaY === 'number' && e.wheelDeltaY !== 0 ?
        e.wheelDeltaY : e.deltaMode === 1 ? -e.deltaY * 40 : e.deltaMode === 2 ?
        -e.deltaY * 120 : -e.deltaY);
    document.addEventListener('wheel', (e) => {
        if (wheel && wheel.target !== e.target) {
            sendPending();
        }
        wheel = e;
        wheelDelta += notch(e);
        later();
    }, {capture: true, passive: true});
    document.addEventListener('mouseout', (e) => {
        if (!e.relatedTarget) {
            sendPending();
            post({t: 'mouse', w: key, kind: 'leave', uid: 0, x: Math.round(e.clientX),
                  y: Math.round(e.clientY), buttons: e.buttons & 7, mods: modifiers(e)});
        }
    }, true);
    document.addEventListener('mousedown', (e) => {
        sendPending();
        pressed = e.target;
        mouse(e.detail === 2 ? 'dbl' : 'down', e);
    }, true);
    document.addEventListener('mouseup', (e) => {
        sendPending();
        mouse('up', e);
        pressed = null;
    }, true);
    // The model decides checked states, follows no links and submits no forms; the page must
    // not do any of them (Enter in a form's field would submit it and load another page).
    document.addEventListener('submit', (e) => e.preventDefault(), true);
    document.addEventListener('click', (e) => {
        const t = e.target;
        if ((t.tagName === 'INPUT' && (t.type === 'checkbox' || t.type === 'radio')) ||
            (t.closest && t.closest('a[href]'))) {
            e.preventDefault();
        }
    }, true);
    document.addEventListener('contextmenu', (e) => e.preventDefault(), true);
    document.addEventListener('dragover', (e) => e.preventDefault(), true);
    document.addEventListener('drop', (e) => e.preventDefault(), true);

    const valueChanged = (e) => {
        const t = e.target;
        const uid = uidOf(t);
        if (!uid || !('value' in t) || t.type === 'checkbox' || t.type === 'radio') {
            return;
        }
        post({t: 'value', w: key, uid, value: String(t.value)});
    };
    document.addEventListener('input', valueChanged, true);
    document.addEventListener('change', valueChanged, true);
    document.addEventListener('focusin', (e) => post({t: 'focus', w: key, uid: uidOf(e.target)}), true);
    const keys = new Set([9, 13, 27, 32, 33, 34, 35, 36, 37, 38, 39, 40, 46]);
    // Keys the model acts on where the focus is, which the page must not act on too: a control
    // (a list, the calendar) moves with the arrows and the page keys and scrolls itself, and an
    // element the program made a tab stop (a tab, a button drawn as a div) is pressed by Enter
    // and Space, where the page would scroll. Form controls and links keep the browser's keys.
    const modelKey = (t, code) => {
        if (t.nodeType !== 1) {
            return false;
        }
        if (t.tagName === 'WIDGET') {
            return code >= 32 && code <= 40;
        }
        return (code === 13 || code === 32) && t !== document.body && !t.isContentEditable &&
            !t.closest('input,select,textarea,button,a[href]');
    };
    document.addEventListener('keydown', (e) => {
        if (keys.has(e.keyCode)) {
            post({t: 'key', w: key, code: e.keyCode, mods: modifiers(e),
                  uid: uidOf(document.activeElement)});
            if (modelKey(e.target, e.keyCode)) {
                e.preventDefault();
            }
        }
    }, true);
    document.addEventListener('scroll', (e) => {
        const t = e.target;
        if (t.nodeType === 1 && t.hasAttribute('data-vlist')) {
            paintInView(t);
            post({t: 'scroll', w: key, uid: uidOf(t), top: Math.round(t.scrollTop),
                  left: Math.round(t.scrollLeft)});
        }
    }, true);

    // The media type the model keeps ("screen", or "contrast-screen" under high contrast)
    // comes with the served page. The browser knows no "contrast-screen", so each media query
    // of the page's style sheets is rewritten: the program's type in force becomes "all", the
    // other one "print" (never true on screen), and the rest of each query keeps its meaning.
    const mediaOriginals = new WeakMap();
    const translateMedia = (text, type) => text.split(',').map((query) => query.replace(
        /^(\s*(?:only\s+|not\s+)?)(contrast-screen|screen)(?![\w-])/i,
        (all, lead, name) => lead + (name.toLowerCase() === type ? 'all' : 'print'))).join(',');
    const applyMediaTo = (list, type) => {
        if (!list) {
            return;
        }
        if (!mediaOriginals.has(list)) {
            mediaOriginals.set(list, list.mediaText);
        }
        const wanted = translateMedia(mediaOriginals.get(list), type);
        if (list.mediaText !== wanted) {
            list.mediaText = wanted;
        }
    };
    const applyMediaRules = (rules, type) => {
        for (const rule of rules) {
            applyMediaTo(rule.media, type);
            if (rule.styleSheet) {
                applyMediaTo(rule.styleSheet.media, type);
                applyMediaRules(rule.styleSheet.cssRules, type);
            } else if (rule.cssRules) {
                applyMediaRules(rule.cssRules, type);
            }
        }
    };
    const applyMedia = () => {
        const type = (document.documentElement.getAttribute('data-vmedia') || 'screen')
            .toLowerCase();
        for (const sheet of document.styleSheets) {
            applyMediaTo(sheet.media, type);
            try {
                applyMediaRules(sheet.cssRules, type);
            } catch (e) {
                // A sheet of another origin cannot be read; the program serves none.
            }
        }
    };
    // Sheets that load later, linked or imported, are rewritten as they arrive.
    document.addEventListener('load', (e) => {
        if (e.target && e.target.tagName === 'LINK') {
            applyMedia();
        }
    }, true);

    // The document's minimum size: its narrowest width without overflow, and the height of its
    // content at the present width (a message box is sized to these).
    const minimumSize = () => {
        const root = document.documentElement;
        const saved = root.style.width;
        root.style.width = 'min-content';
        const minW = Math.ceil(root.getBoundingClientRect().width);
        root.style.width = saved;
        const body = document.body;
        const minH = body ? Math.ceil(body.getBoundingClientRect().bottom + window.scrollY +
            parseFloat(getComputedStyle(body).marginBottom || '0')) : root.scrollHeight;
        return {minW, minH};
    };

    // Layout: every addressed element's border box (only those with an id, and the widgets and
    // frames, in a very large page), and the document's minimum size.
    const layout = () => {
        const rects = {};
        const all = document.body ? document.body.querySelectorAll('[data-vuid]') : [];
        const many = all.length > 2000;
        for (const el of all) {
            if (many && !el.id && el.tagName !== 'WIDGET' && el.tagName !== 'IFRAME') {
                continue;
            }
            rects[el.getAttribute('data-vuid')] = rectOf(el);
        }
        const view = document.documentElement;
        post({t: 'layout', w: key, rects, ...minimumSize(), viewW: view.clientWidth,
              viewH: view.clientHeight});
    };
    let layoutPending = false;
    const scheduleLayout = () => {
        if (!layoutPending) {
            layoutPending = true;
            requestAnimationFrame(() => {
                layoutPending = false;
                layout();
            });
        }
    };
    window.addEventListener('resize', scheduleLayout);

    // A popup stays whole inside the page, by the rule the program places it by once it learns
    // the popup's size (placePopupInView): one that would cross the right (bottom) edge shows
    // with its right (bottom) edge at the point, or against that edge when there is no room
    // before the point either, and none goes past the left (top) edge. The popup is placed here
    // as soon as it is shown, so that it never shows outside for a moment.
    const placeOnAxis = (at, size, view) => {
        if (size > 0 && view > 0 && at + size > view) {
            at = at - size >= 0 ? at - size : view - size;
        }
        return Math.max(at, 0);
    };
    const placePopup = (el) => {
        const at = el.getAttribute('data-vpopup');
        if (!at) {
            return;
        }
        const [x, y] = at.split(',').map(Number);
        el.style.position = 'fixed';
        el.style.left = x + 'px';
        el.style.top = y + 'px';
        el.style.display = 'block';
        el.style.zIndex = '1000';
        const r = el.getBoundingClientRect();
        const view = document.documentElement;
        el.style.left = placeOnAxis(x, Math.round(r.right) - Math.round(r.left),
            view.clientWidth) + 'px';
        el.style.top = placeOnAxis(y, Math.round(r.bottom) - Math.round(r.top),
            view.clientHeight) + 'px';
    };
    // A list is a scroller as tall as its rows and as wide as its columns (op.number, op.x).
    // The drawing of the rows, the visible ones and a screenful either side, sits in it at their
    // own place (op.top), so that the engine's own scrolling shows them at once, under the
    // header drawn apart that sticks to the top. Returns whether the list's client area changed
    // (a scroll bar came or went), which the model must learn.
    const listHeaders = new WeakMap();
    // A list out of the layout (its page hidden) cannot scroll, and the engine shows it again
    // where it last was; the place the model asked for waits until the list shows.
    const pendingScrolls = new Map();
    const scrollList = (el, top) => {
        if (el.isConnected && el.getClientRects().length === 0) {
            pendingScrolls.set(el, top);
            return;
        }
        pendingScrolls.delete(el);
        el.scrollTop = top;
    };
    // The rows come as pieces, one drawing each, keyed by their first row (data-key). A piece
    // the program sent before comes as its key alone and stays as shown; one sent whole that
    // is the same as the one shown stays too, so that scrolling on parses and paints only the
    // pieces new at the edges of the drawing. A piece is a canvas, painted once (see
    // drawing_canvas.js): the pieces in view at once, the others (a screenful either side)
    // parsed and then painted in later tasks, a step each, so that a redraw does not hold up
    // the frames of a scroll; one the view reaches before its turn is painted as it comes.
    const pieceTexts = new WeakMap();  // a piece's node -> its markup
    const pieceKeys = new WeakMap();  // a piece's node -> its key
    const drawingCanvas = window.vandrelDrawingCanvas;
    // A piece's canvas -> its markup, then its drawing once parsed: each is a task of its own.
    const unpainted = new Map();
    const svgOf = (text) => {
        const parsed = document.createElement('template');
        parsed.innerHTML = text;
        return parsed.content.firstElementChild;
    };
    const makePiece = (text) => {
        const canvas = drawingCanvas.blankFor(text);
        if (!canvas) {
            return svgOf(text);
        }
        unpainted.set(canvas, text);
        return canvas;
    };
    // One step of painting a piece: parsing its markup, then painting it. A drawing the canvas
    // painter does not know shows as SVG in the canvas's place.
    const paintStep = (node) => {
        const job = unpainted.get(node);
        if (typeof job !== 'string') {
            unpainted.delete(node);
            drawingCanvas.paint(node, job);
            return;
        }
        const drawing = drawingCanvas.drawingOf(node, job);
        if (drawing) {
            unpainted.set(node, drawing);
            return;
        }
        unpainted.delete(node);
        const svg = svgOf(job);
        if (svg) {
            pieceTexts.set(svg, job);
            pieceKeys.set(svg, pieceKeys.get(node));
            node.replaceWith(svg);
        }
    };
    const paintPiece = (node) => {
        while (unpainted.has(node)) {
            paintStep(node);
        }
    };
    // Runs at every scroll event of a list, so it looks no further while nothing waits.
    const paintInView = (list) => {
        if (!unpainted.size) {
            return;
        }
        const rows = list.querySelector(':scope > .vlist-spacer > .vlist-rows');
        if (!rows) {
            return;
        }
        const top = list.scrollTop - rows.offsetTop;
        const bottom = top + list.clientHeight;
        for (const node of rows.children) {
            if (node.offsetTop < bottom && node.offsetTop + node.offsetHeight > top) {
                paintPiece(node);
            }
        }
    };
    let paintTask = 0;
    const paintLater = () => {
        if (paintTask || !unpainted.size) {
            return;
        }
        paintTask = setTimeout(() => {
            paintTask = 0;
            for (const node of unpainted.keys()) {
                if (node.isConnected) {
                    paintStep(node);
                    break;
                }
                unpainted.delete(node);
            }
            paintLater();
        }, 0);
    };
    // Returns false when a piece named by its key alone is not shown (the page lost it): the
    // program must then send the whole drawing.
    const drawRows = (rows, markup) => {
        const shown = new Map();
        for (const node of rows.children) {
            shown.set(pieceKeys.get(node), node);
        }
        const nodes = [];
        let whole = true;
        for (const text of markup ? markup.split(/(?=<svg[\s>])/) : []) {
            const pieceKey = /^<svg data-key="([^"]*)"/.exec(text)?.[1];
            const old = pieceKey === undefined ? undefined : shown.get(pieceKey);
            if (pieceKey !== undefined && text === `<svg data-key="${pieceKey}"/>`) {
                if (old) {
                    nodes.push(old);
                } else {
                    whole = false;
                }
            } else if (old && pieceTexts.get(old) === text) {
                nodes.push(old);
            } else {
                const node = makePiece(text);
                if (node) {
                    pieceTexts.set(node, text);
                    pieceKeys.set(node, pieceKey);
                    nodes.push(node);
                }
            }
        }
        const wanted = new Set(nodes);
        for (const node of [...rows.children]) {
            if (!wanted.has(node)) {
                unpainted.delete(node);
                node.remove();
            }
        }
        let next = rows.firstElementChild;
        for (const node of nodes) {
            if (node === next) {
                next = next.nextElementSibling;
            } else {
                rows.insertBefore(node, next);
            }
        }
        return whole;
    };
    // The header, painted at once: it shows whenever the list does.
    const drawHeader = (head, markup) => {
        const node = makePiece(markup);
        head.replaceChildren(...(node ? [node] : []));
        if (node) {
            paintPiece(node);
        }
    };
    const drawWidget = (el, op) => {
        if (op.name !== 'list') {
            el.innerHTML = op.value;
            return false;
        }
        const before = el.clientWidth + 'x' + el.clientHeight;
        let spacer = el.querySelector(':scope > .vlist-spacer');
        if (!spacer) {
            el.setAttribute('data-vlist', '');
            el.style.overflow = 'auto';
            // The rows' drawing is replaced as the list scrolls on; the engine must not move
            // the scroll position to keep a row of the old drawing in place.
            el.style.overflowAnchor = 'none';
            if (!el.hasAttribute('tabindex')) {
                el.tabIndex = 0;  // a list takes the focus, and with it its keys
            }
            // The header comes first and stacks above the rows, which scroll under it.
            el.innerHTML = '<div class="vlist-spacer" style="position:relative;min-width:100%">' +
                '<div class="vlist-head" style="position:sticky;top:0;z-index:1;' +
                'overflow:hidden"></div><div class="vlist-rows" style="position:absolute;' +
                'left:0;right:0;overflow:hidden"></div></div>';
            spacer = el.firstChild;
        }
        const [head, rows] = spacer.children;
        spacer.style.height = op.number + 'px';
        spacer.style.width = op.x > 0 ? op.x + 'px' : '';
        // The header changes with the columns only, not with each scroll.
        const header = op.header || '';
        if (listHeaders.get(head) !== header) {
            listHeaders.set(head, header);
            drawHeader(head, header);
        }
        rows.style.top = (op.top || 0) + 'px';
        if (!drawRows(rows, op.value)) {
            post({t: 'redraw', w: key, uid: op.uid});
        }
        if (op.y >= 0) {
            scrollList(el, op.y);
        }
        const resized = before !== el.clientWidth + 'x' + el.clientHeight;
        paintInView(el);
        paintLater();
        return resized;
    };
    // The same names as the program writes into the served page.
    const stateNames = [[0x20, 'current'], [0x40, 'checked'], [0x80, 'disabled'],
        [0x200, 'expanded'], [0x400, 'collapsed'], [0x4000, 'anchor'], [0x10000, 'owns-popup'],
        [0x4000000, 'pressed'], [0x8000000, 'popup']];
    const ops = {
        attr: (el, op) => {
            el.setAttribute(op.name, op.value);
            if (op.name === 'style') {
                placePopup(el);
            }
        },
        rmattr: (el, op) => el.removeAttribute(op.name),
        state: (el, op) => {
            const names = stateNames.filter(([bit]) => (op.number & bit) !== 0).map(([, n]) => n);
            if (names.length) {
                el.setAttribute('data-vs', names.join(' '));
            } else {
                el.removeAttribute('data-vs');
            }
            if (el.tagName === 'INPUT') {
                el.checked = (op.number & 0x40) !== 0;
            }
            if (el.tagName === 'INPUT' || el.tagName === 'BUTTON' || el.tagName === 'SELECT' ||
                el.tagName === 'TEXTAREA') {
                el.disabled = (op.number & 0x80) !== 0;
            }
        },
        content: (el, op) => {
            el.innerHTML = op.value;
        },
        value: (el, op) => {
            if (el.value !== op.value) {
                el.value = op.value;
            }
        },
        popup: (el, op) => {
            if (op.number) {
                el.setAttribute('data-vpopup', op.x + ',' + op.y);
                placePopup(el);
            } else {
                el.removeAttribute('data-vpopup');
                el.style.display = 'none';
            }
        },
        scroll: (el) => el.scrollIntoView({block: 'nearest'}),
        focus: (el) => el.focus(),
        widget: drawWidget,
        frame: (el, op) => {
            el.src = op.value;
        },
        browse: (el, op) => {
            let frame = el.querySelector(':scope > iframe[data-vhost]');
            if (!frame) {
                frame = document.createElement('iframe');
                frame.setAttribute('data-vhost', String(op.uid));
                frame.style.cssText = 'border:0;width:100%;height:100%;display:block';
                el.appendChild(frame);
            }
            frame.src = op.value;
        },
    };
    // A batch is a JSON array of operations, applied in order.
    const apply = (batch) => {
        const list = JSON.parse(batch);
        let moved = false;
        let styled = false;
        for (const op of list) {
            const el = byUid(op.uid);
            const run = ops[op.k];
            if (el && run) {
                const resized = run(el, op) === true;
                // A control's drawing never changes the layout (see pages.css), but a list's
                // scroll bars change its client area. An element that floats over the page
                // (data-vfloat: a mark or a tip the program places) moves nothing else, and
                // the program needs no word of where it went: reporting the page's layout
                // after each step of a replay's mark cost 25 ms.
                const floats = op.k === 'attr' && el.hasAttribute('data-vfloat');
                moved = moved || (op.k !== 'widget' && !floats) || resized;
                styled = styled || op.k === 'content' || (op.k === 'attr' && !floats);
            }
        }
        if (styled) {
            applyMedia();  // new markup may bring style blocks
        }
        for (const [el, top] of pendingScrolls) {
            scrollList(el, top);
        }
        if (moved) {
            scheduleLayout();
        }
        return list.length;
    };
    // Reached only from this world, by the program, walking the frames by their uids.
    window.__vandrel = {
        apply,
        frame: (uid) => {
            const f = byUid(uid);
            return f && f.tagName === 'IFRAME' ? f.contentWindow : null;
        },
    };
    document.addEventListener('DOMContentLoaded', () => {
        applyMedia();
        post({t: 'ready', w: key});
        layout();
    });
})();
