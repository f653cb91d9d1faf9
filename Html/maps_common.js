// What the POI and the track map pages share: the map, the tile layer the program names, the
// built-in world outline under it, and the page functions and callbacks both pages have.
//
// The program calls the page functions by name with every argument as a string, and hears
// back through window.external (absent when a page is opened in a plain browser).
'use strict';

var map = L.map('map', {worldCopyJump: true, preferCanvas: true, minZoom: 1, maxZoom: 19})
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
  return {
    show: function (text) {
      box.textContent = text;
      box.hidden = false;
    },
    hide: function () { box.hidden = true; },
    element: box
  };
}

// --- The world outline: land, borders and a graticule, drawn under the tiles. It is what the
// map shows without a network (in the field, on a train), so a track is still seen in place.
(function () {
  map.createPane('offline').style.zIndex = 150;  // under the tiles (200)
  var renderer = L.canvas({pane: 'offline', padding: 0.2});
  var lines = [];
  for (var lat = -75; lat <= 75; lat += 15) {
    lines.push([[lat, -180], [lat, 180]]);
  }
  for (var lng = -180; lng <= 180; lng += 15) {
    lines.push([[-85, lng], [85, lng]]);
  }
  L.polyline(lines, {renderer: renderer, interactive: false, color: '#9fb8c8', weight: 1})
      .addTo(map);
  if (typeof topojson === 'undefined' || !window.fetch) {
    return;
  }
  fetch('offline/countries-110m.json')
      .then(function (response) { return response.json(); })
      .then(function (world) {
        L.geoJSON(topojson.feature(world, world.objects.land), {
          renderer: renderer,
          interactive: false,
          attribution: 'Natural Earth',
          style: {color: '#8c8c7a', weight: 1, fillColor: '#f3f1e7', fillOpacity: 1}
        }).addTo(map);
        var borders = topojson.mesh(world, world.objects.countries, function (a, b) {
          return a !== b;
        });
        L.geoJSON(borders, {
          renderer: renderer,
          interactive: false,
          style: {color: '#a89f8f', weight: 1, dashArray: '4 3'}
        }).addTo(map);
      })
      .catch(function () {
        // Opened from a file in a plain browser: the graticule alone.
      });
})();

// --- Tiles. The note tells the user why the map looks plain; it goes once a tile arrives.
var tiles = null;
var offlineNote = mapNote('bottomleft', 'offline-note');

function showTilesOffline() {
  offlineNote.show('Map tiles offline - showing the built-in world outline');
}

function useTiles(template, attribution) {
  if (tiles) {
    map.removeLayer(tiles);
    tiles = null;
  }
  if (!template) {
    return;
  }
  tiles = L.tileLayer(String(template), {maxZoom: 19, attribution: escapeHtml(attribution || '')});
  tiles.on('tileerror', showTilesOffline);
  tiles.on('tileload', offlineNote.hide);
  tiles.addTo(map);
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
  showTilesOffline();
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
