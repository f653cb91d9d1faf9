// A control's drawing, made by the program as SVG, painted into a canvas. The engine paints SVG
// text anew in every frame that shows it: a list repaints its whole visible area at each step
// of a scroll, and redrawing the glyphs of a large list took longer than a frame. A canvas is
// painted once and then only copied. The drawings use a few SVG elements (rect, line, text,
// polyline, with rectangle clips and vertical gradients), read here from the markup itself:
// the elements never enter the page, whose styling and layout of them, even hidden, took as
// long as painting them. Runs in the bridge's isolated world, before it.
(() => {
    'use strict';
    const named = {amp: '&', lt: '<', gt: '>', quot: '"', apos: '\''};
    const unescape = (text) => (!text.includes('&') ? text :
        text.replace(/&(#x[0-9a-f]+|#\d+|\w+);/gi, (all, name) => {
            if (name[0] !== '#') {
                return named[name] ?? all;
            }
            const code = name[1] === 'x' || name[1] === 'X' ? parseInt(name.slice(2), 16) :
                parseInt(name.slice(1), 10);
            return code > 0 && code <= 0x10ffff ? String.fromCodePoint(code) : all;
        }));
    const attributePattern = /([\w:-]+)="([^"]*)"/g;
    const attributesOf = (text) => {
        const attributes = {};
        attributePattern.lastIndex = 0;
        for (let m; (m = attributePattern.exec(text));) {
            attributes[m[1]] = unescape(m[2]);
        }
        return attributes;
    };
    const number = (attributes, name) => Number(attributes[name]) || 0;
    const painted = new Set(['rect', 'line', 'text', 'polyline']);
    const kept = new Set(['svg', 'defs', 'clipPath', 'linearGradient', 'stop']);

    // The drawing's size and elements, each {name, a: attributes, text, parent}; null when it is
    // not one <svg> or holds an element this painter does not know.
    const parse = (markup) => {
        const elements = [];
        const open = [];
        let root = null;
        let at = 0;  // where the next tag or text must begin: anything between is not known
        // Sticky, so that each token begins where the last one ended: the iterator of matchAll
        // and its search for the next match anywhere took twice as long.
        const token = /<(\/?)([\w:]+)((?:\s+[\w:-]+="[^"]*")*)\s*(\/?)>|([^<]+)/y;
        for (let m; (m = token.exec(markup));) {
            at = token.lastIndex;
            const [, closing, name, attributeText, selfClosing, text] = m;
            if (text !== undefined) {
                if (open.length && open[open.length - 1].name === 'text') {
                    open[open.length - 1].text += unescape(text);
                } else if (text.trim()) {
                    return null;
                }
                continue;
            }
            if (closing) {
                if (!open.length || open.pop().name !== name) {
                    return null;
                }
                continue;
            }
            if (!painted.has(name) && !kept.has(name)) {
                return null;
            }
            const element = {name, a: attributesOf(attributeText || ''), text: '',
                parent: open.length ? open[open.length - 1] : null};
            if (name === 'svg') {
                if (root) {
                    return null;
                }
                root = element;
            } else if (!root) {
                return null;
            }
            elements.push(element);
            if (!selfClosing) {
                open.push(element);
            }
        }
        if (!root || open.length || at !== markup.length) {
            return null;
        }
        return {width: number(root.a, 'width'), height: number(root.a, 'height'),
            family: root.a['font-family'] || 'sans-serif', elements};
    };

    const reference = (value) => {
        const m = /^url\(#(.*)\)$/.exec(value || '');
        return m ? m[1] : null;
    };
    // Clip rectangles and gradients by id.
    const definitions = (elements) => {
        const clips = new Map();
        const gradients = new Map();
        for (const e of elements) {
            const p = e.parent;
            if (e.name === 'rect' && p && p.name === 'clipPath') {
                clips.set(p.a.id, [number(e.a, 'x'), number(e.a, 'y'), number(e.a, 'width'),
                    number(e.a, 'height')]);
            } else if (e.name === 'stop' && p && p.name === 'linearGradient') {
                if (!gradients.has(p.a.id)) {
                    gradients.set(p.a.id, []);
                }
                gradients.get(p.a.id).push([number(e.a, 'offset'), e.a['stop-color'] || '#000']);
            }
        }
        return {clips, gradients};
    };
    const fillOf = (ctx, a, defs, top, bottom) => {
        const id = reference(a.fill);
        if (id === null) {
            return a.fill === 'none' ? null : a.fill || '#000';
        }
        const stops = defs.gradients.get(id);
        if (!stops) {
            return null;
        }
        const gradient = ctx.createLinearGradient(0, top, 0, bottom);
        for (const [offset, colour] of stops) {
            gradient.addColorStop(Math.min(Math.max(offset, 0), 1), colour);
        }
        return gradient;
    };
    const stroke = (ctx, a) => {
        if (!a.stroke || a.stroke === 'none') {
            return false;
        }
        ctx.strokeStyle = a.stroke;
        ctx.lineWidth = number(a, 'stroke-width') || 1;
        ctx.lineJoin = a['stroke-linejoin'] === 'round' ? 'round' : 'miter';
        return true;
    };
    const rect = (ctx, a, defs) => {
        const x = number(a, 'x');
        const y = number(a, 'y');
        const w = number(a, 'width');
        const h = number(a, 'height');
        const radius = Math.min(number(a, 'rx'), w / 2, h / 2);
        ctx.beginPath();
        if (radius > 0) {
            ctx.roundRect(x, y, w, h, radius);
        } else {
            ctx.rect(x, y, w, h);
        }
        const fill = fillOf(ctx, a, defs, y, y + h);
        if (fill) {
            ctx.fillStyle = fill;
            ctx.fill();
        }
        if (stroke(ctx, a)) {
            ctx.stroke();
        }
    };
    const line = (ctx, a) => {
        if (stroke(ctx, a)) {
            ctx.beginPath();
            ctx.moveTo(number(a, 'x1'), number(a, 'y1'));
            ctx.lineTo(number(a, 'x2'), number(a, 'y2'));
            ctx.stroke();
        }
    };
    const polyline = (ctx, a) => {
        const points = (a.points || '').trim().split(/\s+/).map((p) => p.split(',').map(Number));
        if (points.length && stroke(ctx, a)) {
            ctx.beginPath();
            points.forEach(([x, y], i) => (i ? ctx.lineTo(x, y) : ctx.moveTo(x, y)));
            ctx.stroke();
        }
    };
    // Whether the measured text lies inside the clip, which it then need not be painted through.
    const inside = (m, align, x, y, [cx, cy, cw, ch]) => {
        const left = align === 'end' ? x - m.width : align === 'center' ? x - m.width / 2 : x;
        return left >= cx && left + m.width <= cx + cw && y - m.actualBoundingBoxAscent >= cy &&
            y + m.actualBoundingBoxDescent <= cy + ch;
    };
    const rotation = /^rotate\(\s*(-?[\d.]+)[\s,]+(-?[\d.]+)[\s,]+(-?[\d.]+)\s*\)$/;
    // The font, alignment and colour are set outside the save and restore around each text's
    // clip, and only when they change: setting a font parses it, and that was half the time.
    const text = (ctx, e, defs, family, state) => {
        const a = e.a;
        const fill = fillOf(ctx, a, defs, 0, 0);
        const turn = a.transform ? rotation.exec(a.transform) : null;
        if (!fill || (a.transform && !turn)) {
            return;
        }
        const font = (a['font-weight'] === 'bold' ? 'bold ' : '') +
            (number(a, 'font-size') || 16) + 'px ' + family;
        if (font !== state.font) {
            ctx.font = state.font = font;
        }
        const anchor = a['text-anchor'];
        const align = anchor === 'end' ? 'end' : anchor === 'middle' ? 'center' : 'start';
        if (align !== state.align) {
            ctx.textAlign = state.align = align;
        }
        if (fill !== state.fill) {
            ctx.fillStyle = state.fill = fill;
        }
        const clip = defs.clips.get(reference(a['clip-path']));
        const x = number(a, 'x');
        const y = number(a, 'y');
        if (!turn && (!clip || inside(ctx.measureText(e.text), align, x, y, clip))) {
            ctx.fillText(e.text, x, y);
            return;
        }
        ctx.save();
        if (clip) {
            ctx.beginPath();
            ctx.rect(...clip);
            ctx.clip();
        }
        if (turn) {
            const [, angle, cx, cy] = turn.map(Number);
            ctx.translate(cx, cy);
            ctx.rotate(angle * Math.PI / 180);
            ctx.translate(-cx, -cy);
        }
        ctx.fillText(e.text, x, y);
        ctx.restore();
    };

    // Paints the parsed drawing into the canvas, sharp at the screen's pixel density.
    const paint = (canvas, drawing) => {
        const scale = window.devicePixelRatio || 1;
        canvas.width = Math.max(1, Math.round(drawing.width * scale));
        canvas.height = Math.max(1, Math.round(drawing.height * scale));
        const ctx = canvas.getContext('2d');
        ctx.scale(scale, scale);
        const defs = definitions(drawing.elements);
        const state = {};
        for (const e of drawing.elements) {
            if (e.parent && e.parent.name !== 'svg') {
                continue;  // a clip or a gradient
            }
            if (e.name === 'rect') {
                state.fill = undefined;
                rect(ctx, e.a, defs);
            } else if (e.name === 'line') {
                line(ctx, e.a);
            } else if (e.name === 'polyline') {
                polyline(ctx, e.a);
            } else if (e.name === 'text') {
                text(ctx, e, defs, drawing.family, state);
            }
        }
    };

    // The drawing's texts, a line for each baseline, as the words of its canvas.
    const wordsOf = (drawing) => {
        const lines = [];
        let y = null;
        for (const e of drawing.elements) {
            if (e.name === 'text' && e.text) {
                if (e.a.y !== y) {
                    lines.push([]);
                    y = e.a.y;
                }
                lines[lines.length - 1].push(e.text);
            }
        }
        return lines.map((words) => words.join(' ')).join('\n');
    };

    const sized = (width, height) => {
        const canvas = document.createElement('canvas');
        canvas.style.width = width + 'px';
        canvas.style.height = height + 'px';
        return canvas;
    };
    // A canvas for the markup, its size set and the drawing's texts inside as its content,
    // which the page does not show but assistive technology reads; not yet painted. Null when
    // the markup is not a drawing this painter paints.
    const canvasFor = (markup) => {
        const drawing = parse(markup);
        if (!drawing || !(drawing.width > 0 && drawing.height > 0)) {
            return null;
        }
        const canvas = sized(drawing.width, drawing.height);
        canvas.textContent = wordsOf(drawing);
        return {canvas, drawing};
    };
    // A blank canvas of the size the markup's root gives, read from the root alone: parsing a
    // list's piece takes as long as painting it, and both wait until the piece is in view or
    // the page is idle (see drawingOf and paint). Null without a size.
    const blankFor = (markup) => {
        const root = /^<svg((?:\s+[\w:-]+="[^"]*")*)\s*>/.exec(markup);
        const a = root ? attributesOf(root[1]) : {};
        const width = number(a, 'width');
        const height = number(a, 'height');
        return width > 0 && height > 0 ? sized(width, height) : null;
    };
    // The drawing of markup for a canvas made by blankFor, its texts set as the canvas's
    // content; null when this painter does not paint it.
    const drawingOf = (canvas, markup) => {
        const drawing = parse(markup);
        if (drawing) {
            canvas.textContent = wordsOf(drawing);
        }
        return drawing;
    };
    window.vandrelDrawingCanvas = {canvasFor, blankFor, drawingOf, paint};
})();
