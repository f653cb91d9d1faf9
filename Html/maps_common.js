// What the POI and the track map pages share: the map, the tile layer the program names, the
// built-in world outline under it, and the page functions and callbacks both pages have.
//
// The program calls the page functions by name with every argument as a string, and hears
// back through window.external (absent when a page is opened in a plain browser).
'use strict';

// Leaflet's canvases (the outline's, the track's) are drawn by the processor into memory. An
// accelerated canvas is drawn through the GL driver, and where there is no graphics card that
// driver is a renderer in software: there every redraw of a canvas cost about 0.2 CPU-seconds,
// against a few milliseconds in memory. The engine keeps a canvas in memory when its context is
// asked for with willReadFrequently; Leaflet asks for the context as it makes the canvas.
(function () {
  var initContainer = L.Canvas.prototype._initContainer;
  L.Canvas.include({
    _initContainer: function () {
      var getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, options) {
        return getContext.call(this, type, L.extend({willReadFrequently: true}, options));
      };
      try {
        initContainer.call(this);
      } finally {
        HTMLCanvasElement.prototype.getContext = getContext;
      }
    }
  });
})();

// Tiles show as they come, without fading in: a fade is a run of frames for every tile.
var map = L.map('map', {worldCopyJump: true, preferCanvas: true, fadeAnimation: false,
                        minZoom: 1, maxZoom: 19})
    .setView([20, 0], 2);
map.attributionControl.setPrefix('Leaflet');

// A callback to the program, when there is one to hear it.
function tellProgram(name) {
  var external = window.external;
  if (external && typeof external[name] === 'function') {
    external[name].apply(external, Array.prototype.slice.call(arguments, 1));
  }
}

// Numbers arrive as text; anything that is not a finite number is NaN.
// A click of the first button. A right click reaches the page as a press, the context menu
// event, a release and a click, all but the menu event as of the first button; without this a
// right click on a marker would close the menu it just opened.
var contextMenuSincePress = false;
document.addEventListener('mousedown', function () { contextMenuSincePress = false; }, true);
document.addEventListener('contextmenu', function () { contextMenuSincePress = true; }, true);

function primaryClick(e) {
  return !contextMenuSincePress && (!e.originalEvent || e.originalEvent.button === 0);
}

function num(text) {
  var n = typeof text === 'number' ? text : parseFloat(text);
  return isFinite(n) ? n : NaN;
}

// A position from two texts, or null when they name none.
function latLngOf(lat, lng) {
  var a = num(lat);
  var b = num(lng);
  return Math.abs(a) <= 90 && isFinite(b) ? L.latLng(a, b) : null;
}

// Indexes arrive as text ("3"); the key is the plain decimal form, or null.
function indexKey(text) {
  var n = parseInt(text, 10);
  return n >= 0 ? String(n) : null;
}

// The page may read only the program's folders beside it, so an image of images/ or pois/, or
// a photo of the photos folder (served from wherever the program keeps its photos), is
// addressed by its folder and name. Other paths are used as they come.
function imageAddress(path) {
  var parts = String(path).split(/[\\/]/);
  var folder = parts.length > 1 ? parts[parts.length - 2].toLowerCase() : '';
  if (folder === 'images' || folder === 'pois') {
    return '../' + folder + '/' + encodeURIComponent(parts[parts.length - 1]);
  }
  if (parts[parts.length - 2] === 'photos') {
    return '../photos/' + encodeURIComponent(parts[parts.length - 1]);
  }
  return String(path);
}

function escapeHtml(text) {
  return String(text).replace(/[&<>"']/g, function (c) {
    return {'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;'}[c];
  });
}

// A small box in a corner of the map showing one line of text, hidden until shown.
function mapNote(position, className) {
  var box = L.DomUtil.create('div', 'map-note ' + className);
  box.hidden = true;
  L.DomEvent.disableClickPropagation(box);
  var control = L.control({position: position});
  control.onAdd = function () { return box; };
  control.addTo(map);
  // Shown again as it is, it is left alone: every tile that fails shows the same note.
  return {
    show: function (text) {
      if (box.textContent !== text) {
        box.textContent = text;
      }
      if (box.hidden) {
        box.hidden = false;
      }
    },
    hide: function () {
      if (!box.hidden) {
        box.hidden = true;
      }
    },
    element: box
  };
}

// --- The world outline: land, borders and a graticule, drawn under the tiles. It is what the
// map shows without a network (in the field, on a train), so a track is still seen in place.
//
// Like the tiles, the outline repeats sideways: it is drawn once for each copy of the world the
// view reaches, shifted by whole turns of 360 degrees. The data's rings that cross the 180th
// meridian jump from +180 to -180 there; each is made continuous (a ring around the pole, which
// crosses once, Antarctica's, is closed along the pole), so that no ring draws a line across
// the whole world.

// Longitudes made continuous: each point within 180 degrees of the one before.
function unwrapLongitudes(points) {
  var out = [];
  var shift = 0;
  for (var i = 0; i < points.length; i++) {
    var lng = points[i][0] + shift;
    if (i > 0) {
      var before = out[i - 1][1];
      while (lng - before > 180) {
        lng -= 360;
        shift -= 360;
      }
      while (before - lng > 180) {
        lng += 360;
        shift += 360;
      }
    }
    out.push([points[i][1], lng]);
  }
  return out;
}

// A ring of [lng, lat] as [lat, lng] without jumps; a ring that goes once around a pole ends a
// whole turn from where it began, and is closed along that pole's edge of the map.
function outlineRing(ring) {
  var out = unwrapLongitudes(ring);
  var first = out[0];
  var last = out[out.length - 1];
  if (Math.abs(last[1] - first[1]) > 180) {
    var pole = first[0] < 0 ? -90 : 90;
    out.push([pole, last[1]], [pole, first[1]]);
  }
  return out;
}

(function () {
  map.createPane('offline').style.zIndex = 150;  // under the tiles (200)
  var renderer = L.canvas({pane: 'offline', padding: 0.1});
  var landStyle = {renderer: renderer, interactive: false, color: '#8c8c7a', weight: 1,
                   fillColor: '#f3f1e7', fillOpacity: 1};
  var borderStyle = {renderer: renderer, interactive: false, color: '#a89f8f', weight: 1,
                     dashArray: '4 3'};
  var gridStyle = {renderer: renderer, interactive: false, color: '#9fb8c8', weight: 1};
  // One world's shapes, as [lat, lng] lines; 180 is -180 of the next copy, so the meridians
  // stop short of it.
  var grid = [];
  for (var lat = -75; lat <= 75; lat += 15) {
    grid.push([[lat, -180], [lat, 180]]);
  }
  for (var lng = -180; lng < 180; lng += 15) {
    grid.push([[-85, lng], [85, lng]]);
  }
  var land = [];
  var borders = [];
  // The copies drawn, by their shift in turns: one group of layers each.
  var copies = {};
  // How far the shapes reach past +-180 (the Chukchi peninsula, made continuous), in degrees.
  var reach = 10;

  function shifted(lines, turns) {
    var by = turns * 360;
    return lines.map(function (line) {
      return line.map(function (p) { return [p[0], p[1] + by]; });
    });
  }

  function makeCopy(turns) {
    var layers = [L.polyline(shifted(grid, turns), gridStyle)];
    if (land.length > 0) {
      layers.push(L.polygon(shifted(land, turns), landStyle),
                  L.polyline(shifted(borders, turns), borderStyle));
    }
    return L.layerGroup(layers);
  }

  // The copies the view (with the renderer's margin) reaches: the others go.
  function update() {
    var size = map.getSize();
    if (!size.x) {
      return;
    }
    var margin = size.x * renderer.options.padding;
    var west = map.containerPointToLatLng([-margin, 0]).lng;
    var east = map.containerPointToLatLng([size.x + margin, 0]).lng;
    var from = Math.ceil((west - 180 - reach) / 360);
    var to = Math.floor((east + 180 + reach) / 360);
    Object.keys(copies).forEach(function (turns) {
      if (Number(turns) < from || Number(turns) > to) {
        map.removeLayer(copies[turns]);
        delete copies[turns];
      }
    });
    for (var t = from; t <= to; t++) {
      if (!copies[t]) {
        copies[t] = makeCopy(t).addTo(map);
      }
    }
  }

  function setShapes(landRings, borderLines) {
    land = landRings;
    borders = borderLines;
    Object.keys(copies).forEach(function (turns) { map.removeLayer(copies[turns]); });
    copies = {};
    update();
  }

  // Ahead of the renderer's own handlers (added with the first copy), so that a copy the view
  // no longer reaches is not projected again at the end of a zoom.
  map.on('viewreset zoomend moveend resize', update);
  update();
  if (typeof vandrelOutline !== 'undefined' && window.fetch) {
    fetch('offline/countries-110m.json')
        .then(function (response) { return response.json(); })
        .then(function (world) {
          var rings = vandrelOutline.landRings(world, world.objects.land).map(outlineRing);
          var borders = vandrelOutline.sharedBorders(world, world.objects.countries);
          setShapes(rings, borders.map(unwrapLongitudes));
          map.attributionControl.addAttribution('Natural Earth');
        })
        .catch(function () {
          // Opened from a file in a plain browser: the graticule alone.
        });
  }
})();

// --- Tiles. The note tells the user why the map looks plain, and only while it does: once a
// tile of the chosen source has arrived the service answers, whatever the program's own check
// of the standard service says and however many tiles past the service's edge fail. An
// offline map file has no network to miss: a tile it lacks leaves the outline showing.
var tiles = null;
var offlineNote = mapNote('bottomleft', 'offline-note');

function showTilesOffline() {
  if (!tiles || !tiles.arrived) {
    offlineNote.show('Map tiles offline - showing the built-in world outline');
  }
}

function tileArrived() {
  tiles.arrived = true;
  offlineNote.hide();
}

// A tile layer of a source: {tiles, attribution, minZoom, maxZoom, bounds, offline}. Outside
// the source's zoom range (a service's policy, a file's contents end there) and its bounds no
// tile is asked for and the outline shows. Leaflet enlarges tiles past their zoom only with 3-D
// transforms, which these pages turn off.
function showTiles(source) {
  if (tiles) {
    map.removeLayer(tiles);
    tiles = null;
  }
  offlineNote.hide();
  if (!source || !source.tiles) {
    return;
  }
  var options = {maxZoom: source.maxZoom, minZoom: source.minZoom || 0,
                 attribution: escapeHtml(source.attribution || '')};
  if (source.bounds) {
    options.bounds = source.bounds;
  }
  tiles = L.tileLayer(String(source.tiles), options);
  tiles.source = source;
  if (!source.offline) {
    tiles.on('tileerror', showTilesOffline);
    tiles.on('tileload', tileArrived);
  }
  tiles.addTo(map);
}

function useTiles(template, attribution) {
  showTiles(template ? {tiles: template, attribution: attribution, maxZoom: 19} : null);
}

// The service answers again: fetch the tiles that failed, keeping everything drawn.
function tilesOnline() {
  offlineNote.hide();
  if (tiles) {
    tiles.redraw();
  }
}

// The program knows the service is unreachable before any tile has failed.
function tilesOffline() {
  if (!tiles || !tiles.source.offline) {
    showTilesOffline();
  }
}

// --- Map sources: the choice on the map, in the top right corner. The program gives the
// sources as <sources chosen=".."><source name=".." tiles=".." attribution=".." minzoom=".."
// maxzoom=".." bounds="w,s,e,n" offline="1"/>...</sources> with the scale bar's units
// (units="metric" or "imperial"); a choice here goes back to it.
var mapSources = [];
var sourceChoice = (function () {
  var select = L.DomUtil.create('select', 'map-source');
  select.title = 'Map';
  select.hidden = true;
  L.DomEvent.disableClickPropagation(select);
  L.DomEvent.disableScrollPropagation(select);
  var control = L.control({position: 'topright'});
  control.onAdd = function () { return select; };
  control.addTo(map);
  select.addEventListener('change', function () { chooseMapSource(select.value); });
  return select;
})();

// What the choice on the map does: that source shown, and the program told to keep it.
function chooseMapSource(name) {
  if (showSource(String(name))) {
    tellProgram('onmapsource', String(name));
  }
}

function sourceOf(element) {
  var bounds = (element.getAttribute('bounds') || '').split(',').map(num);
  return {
    name: element.getAttribute('name') || '',
    tiles: element.getAttribute('tiles') || '',
    attribution: element.getAttribute('attribution') || '',
    minZoom: parseInt(element.getAttribute('minzoom'), 10) || 0,
    maxZoom: parseInt(element.getAttribute('maxzoom'), 10) || 19,
    bounds: bounds.length === 4 && bounds.every(isFinite) ?
        L.latLngBounds([bounds[1], bounds[0]], [bounds[3], bounds[2]]) : null,
    offline: element.getAttribute('offline') === '1'
  };
}

// The source shown already keeps its tiles on the map.
function showSource(name) {
  for (var i = 0; i < mapSources.length; i++) {
    if (mapSources[i].name === name) {
      if (!tiles || tiles.source.name !== name || tiles.source.tiles !== mapSources[i].tiles) {
        showTiles(mapSources[i]);
      }
      sourceChoice.value = name;
      return true;
    }
  }
  return false;
}

// The program's choice of a source, as a choice on the map but not told back.
function showMapSource(name) {
  showSource(String(name));
}

// Only the tile layer changes: the track, markers, centre and zoom stay as they are. Given the
// sources again (one added or gone), the page keeps the source it shows while it is still
// there, else shows the first, the standard map; the choice the program names is for a page
// showing none yet.
function useMapSources(xml) {
  var doc = new DOMParser().parseFromString(String(xml), 'application/xml');
  var root = doc.documentElement;
  if (!root || root.nodeName !== 'sources') {
    return;
  }
  mapSources = Array.prototype.map.call(root.getElementsByTagName('source'), sourceOf);
  sourceChoice.textContent = '';
  mapSources.forEach(function (source) {
    var option = document.createElement('option');
    option.value = source.name;
    option.textContent = source.name;
    sourceChoice.appendChild(option);
  });
  sourceChoice.hidden = mapSources.length < 2;
  setScaleUnits(root.getAttribute('units'));
  var shown = tiles && tiles.source.name ? tiles.source.name : '';
  showSource(shown || root.getAttribute('chosen')) ||
      showSource(mapSources.length ? mapSources[0].name : '');
}

// --- The scale bar, in the units of the settings.
var scaleBar = null;

function setScaleUnits(units) {
  var imperial = String(units) === 'imperial';
  if (scaleBar) {
    map.removeControl(scaleBar);
  }
  // Wide enough that the bar, which is as long as its round distance (half its largest width
  // at the least), holds its text: "1000 km" in a bar of 100 pixels at most was cut.
  scaleBar = L.control.scale({position: 'bottomright', metric: !imperial, imperial: imperial,
                              maxWidth: 160})
      .addTo(map);
}
setScaleUnits('metric');

// Read-only answers for the program's tests: the shown source as "name|minZoom|maxZoom|
// west,south,east,north", and the scale bar's text.
function shownSource() {
  if (!tiles) {
    return '';
  }
  var o = tiles.options;
  return tiles.source.name + '|' + o.minZoom + '|' + o.maxZoom + '|' +
      (o.bounds ? o.bounds.toBBoxString() : '');
}

// The names the choice offers, in its order, separated by "|".
function mapSourceNames() {
  return mapSources.map(function (source) { return source.name; }).join('|');
}

function scaleText() {
  var line = scaleBar ? scaleBar.getContainer().querySelector('.leaflet-control-scale-line') : null;
  return line ? line.textContent : '';
}

function mapZoom() {
  return String(map.getZoom());
}

// Zoom "0" keeps the zoom and pans.
function setCenter(lat, lng, zoom) {
  var at = latLngOf(lat, lng);
  var z = parseInt(zoom, 10);
  if (!at) {
    return;
  }
  if (z > 0) {
    map.setView(at, z);
  } else {
    map.panTo(at);
  }
}

map.on('moveend', function () { tellProgram('onmoveendevent'); });

// The page calls this once its own functions exist; the program starts drawing when it hears.
function mapPageReady() {
  if (document.readyState === 'complete') {
    tellProgram('onmaploadcomplete');
  } else {
    window.addEventListener('load', function () { tellProgram('onmaploadcomplete'); });
  }
}
